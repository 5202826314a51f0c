#!/bin/sh
# Two overlapping spheres of 8,192 triangles (radius 10, the second moved by
# (5, 3, 2)) through whole torvane-cli processes beside @jscad/modeling 2.x and
# manifold-3d 3.x on the same STL files: time, peak memory and volume.
#   bench/compare_booleans.sh [BUILD_DIR] [SLICES STACKS]
# The peer libraries are installed with npm into bench/node on first use.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
slices=${2:-64}
stacks=${3:-65}
cli=$build/cli/torvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cd "$here/node"
[ -d node_modules ] || npm install --no-audit --no-fund >/dev/null
node stl.mjs "$work/a.stl" 10 0 0 0 "$slices" "$stacks" >/dev/null
node stl.mjs "$work/b.stl" 10 5 3 2 "$slices" "$stacks" >/dev/null

echo "program op milliseconds volume peak_kb"
for op in union subtract intersect; do
  /usr/bin/time -f "%e %M" -o "$work/time" "$cli" boolean "$op" "$work/a.stl" "$work/b.stl" \
    "$work/r_$op.stl" >/dev/null
  read -r seconds peak <"$work/time"
  volume=$(node volume.mjs "$work/r_$op.stl" | cut -d' ' -f2)
  echo "torvane-cli $op $(echo "$seconds * 1000" | bc) $volume $peak"
done
node peers.mjs "$work/a.stl" "$work/b.stl" | sed 's/$/ -/'
