// Binary STL of a UV sphere (the shapes every program of the comparison
// reads) and the reader the peers use.
import { readFileSync, writeFileSync } from 'node:fs';

// 2 x slices x (stacks - 1) triangles, outward counter-clockwise.
export function writeSphere(path, radius, centre, slices, stacks) {
  const v = [[0, radius, 0]];
  for (let i = 1; i < stacks; ++i) {
    const phi = (Math.PI * i) / stacks;
    for (let j = 0; j < slices; ++j) {
      const theta = (2 * Math.PI * j) / slices;
      v.push([radius * Math.sin(phi) * Math.cos(theta), radius * Math.cos(phi),
              radius * Math.sin(phi) * Math.sin(theta)]);
    }
  }
  v.push([0, -radius, 0]);
  const bottom = v.length - 1;
  const ring = (i, j) => 1 + (i - 1) * slices + (j % slices);
  const tris = [];
  for (let j = 0; j < slices; ++j) tris.push([0, ring(1, j + 1), ring(1, j)]);
  for (let i = 1; i < stacks - 1; ++i)
    for (let j = 0; j < slices; ++j) {
      tris.push([ring(i, j), ring(i, j + 1), ring(i + 1, j + 1)]);
      tris.push([ring(i, j), ring(i + 1, j + 1), ring(i + 1, j)]);
    }
  for (let j = 0; j < slices; ++j) tris.push([bottom, ring(stacks - 1, j), ring(stacks - 1, j + 1)]);
  const buf = Buffer.alloc(84 + tris.length * 50);
  buf.writeUInt32LE(tris.length, 80);
  let o = 84;
  for (const t of tris) {
    o += 12;
    for (const k of t) {
      for (let c = 0; c < 3; ++c) buf.writeFloatLE(v[k][c] + centre[c], o + c * 4);
      o += 12;
    }
    o += 2;
  }
  writeFileSync(path, buf);
  return tris.length;
}

// Triangles of a binary STL as [[x, y, z] x 3].
export function readStl(path) {
  const buf = readFileSync(path);
  const n = buf.readUInt32LE(80);
  const tris = [];
  let o = 84;
  for (let t = 0; t < n; ++t) {
    o += 12;
    const tri = [];
    for (let k = 0; k < 3; ++k) {
      tri.push([buf.readFloatLE(o), buf.readFloatLE(o + 4), buf.readFloatLE(o + 8)]);
      o += 12;
    }
    o += 2;
    tris.push(tri);
  }
  return tris;
}

if (process.argv[1].endsWith('stl.mjs')) {
  // node stl.mjs OUT RADIUS CX CY CZ SLICES STACKS
  const [out, r, cx, cy, cz, slices, stacks] = process.argv.slice(2);
  console.log(writeSphere(out, +r, [+cx, +cy, +cz], +slices, +stacks));
}
