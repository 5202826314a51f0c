#!/usr/bin/env bash
# compare_open.sh [BUILD_DIR] [RUNS]: opening a 1,000,000-triangle model as
# whole processes, `torvane-cli info` beside libassimp's aiImportFile
# without post-processing (torvane_assimp_peer), in the same run.
#
# The files are made here: the binary STL sphere of torvane_stl_bench
# (1,000,000 facets), the OBJ assimp's exporter writes from it, the same
# triangles as an OBJ of unshared "v" lines (three per triangle), and the
# binary PLY torvane-cli writes from it. Every file is read once first so
# that the page cache is warm; then each program opens it RUNS times
# (default 5), alternating. Reported per file and program: the median wall
# time, the median user + system time and the largest peak resident size,
# all from /usr/bin/time -v, and the size of the finished document (12
# bytes a vertex, 20 a corner) with the peak as a multiple of it.
#
# Figures on the 2-core build machine (page cache warm, medians of 3; wall
# times are noisy there, user + system time less so):
#   file (size)                 torvane-cli info       assimp peer
#   assimp's OBJ (106 MB)       0.28 s  0.26 s   79 MiB   1.81 s  1.70 s  317 MiB
#   unshared OBJ (134 MB)       0.57 s  0.52 s  109 MiB   2.21 s  1.66 s  270 MiB
#   binary PLY (23 MB)          0.25 s  0.10 s   78 MiB   0.78 s  0.43 s   65 MiB
# (wall, user + system, peak); the PLY document is 63 MiB, so its peak is
# 1.24 x the document.
set -euo pipefail

build=$(cd "${1:-build/release}" && pwd)
runs=${2:-5}
cli=$build/cli/torvane-cli
peer=$build/bench/torvane_assimp_peer
stl_bench=$build/bench/torvane_stl_bench
for program in "$cli" "$peer" "$stl_bench"; do
  [[ -x $program ]] || { echo "missing $program (build torvane-cli torvane_assimp_peer torvane_stl_bench)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cp "$("$stl_bench" --make-files)" sphere.stl
"$peer" export sphere.stl sphere_assimp.obj
"$cli" convert sphere.stl sphere.ply
python3 - sphere.stl sphere_unshared.obj <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
count = struct.unpack_from("<I", data, 80)[0]
lines = []
for i in range(count):
    v = struct.unpack_from("<12f", data, 84 + 50 * i)[3:]
    for c in range(3):
        lines.append("v %.9g %.9g %.9g\n" % v[3 * c:3 * c + 3])
for i in range(count):
    lines.append("f %d %d %d\n" % (3 * i + 1, 3 * i + 2, 3 * i + 3))
open(sys.argv[2], "w").write("".join(lines))
PY

# One run: "wall cpu peak_kb" from /usr/bin/time -v.
measure() {
  /usr/bin/time -v "$@" >/dev/null 2>time.txt || { cat time.txt >&2; exit 2; }
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, t, ":"); wall = t[n] + (n > 1 ? 60 * t[n - 1] : 0) }
    /User time/ { cpu += $2 }
    /System time/ { cpu += $2 }
    /Maximum resident set size/ { peak = $2 }
    END { printf "%.3f %.3f %d\n", wall, cpu, peak }' time.txt
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf "%-20s %-8s %8s %8s %9s\n" file program "wall s" "cpu s" "peak MiB"
for file in sphere_assimp.obj sphere_unshared.obj sphere.ply; do
  cat "$file" >/dev/null
  : >torvane.txt
  : >assimp.txt
  for ((i = 0; i < runs; ++i)); do
    measure "$cli" info "$file" >>torvane.txt
    measure "$peer" open "$file" >>assimp.txt
  done
  size=$(stat -c %s "$file")
  for program in torvane assimp; do
    wall=$(cut -d' ' -f1 $program.txt | median)
    cpu=$(cut -d' ' -f2 $program.txt | median)
    peak=$(cut -d' ' -f3 $program.txt | sort -n | tail -1)
    printf "%-20s %-8s %8s %8s %9.1f\n" "$file" "$program" "$wall" "$cpu" \
      "$(awk -v kb="$peak" 'BEGIN { print kb / 1024 }')"
  done
  document=$("$cli" info --json "$file" | python3 -c '
import json, sys
d = json.load(sys.stdin)
print(d["vertices"] * 12 + d["triangles"] * 60)')
  peak=$(cut -d' ' -f3 torvane.txt | sort -n | tail -1)
  awk -v size="$size" -v doc="$document" -v peak="$peak" 'BEGIN {
    printf "  file %.1f MB, document %.1f MiB; torvane peak %.2f x document\n",
      size / 1e6, doc / 1048576, peak * 1024 / doc }' </dev/null
done
