// Times @jscad/modeling and manifold-3d on the same STL files as torvane-cli:
// node peers.mjs A.stl B.stl. Prints one line per library and operation:
// library op milliseconds volume.
import jscad from '@jscad/modeling';
import Module from 'manifold-3d';
import { readStl } from './stl.mjs';

const [pathA, pathB] = process.argv.slice(2);
const a = readStl(pathA), b = readStl(pathB);
const ops = ['union', 'subtract', 'intersect'];
const repeat = Number(process.env.REPEAT || 3);

function best(fn) {
  let ms = Infinity, result;
  for (let i = 0; i < repeat; ++i) {
    const t0 = process.hrtime.bigint();
    result = fn();
    ms = Math.min(ms, Number(process.hrtime.bigint() - t0) / 1e6);
  }
  return [ms, result];
}

{
  const { geometries, booleans, measurements } = jscad;
  const ga = geometries.geom3.fromPoints(a), gb = geometries.geom3.fromPoints(b);
  for (const op of ops) {
    const [ms, g] = best(() => booleans[op](ga, gb));
    console.log(`jscad ${op} ${ms.toFixed(1)} ${measurements.measureVolume(g).toFixed(4)}`);
  }
}

{
  const wasm = await Module();
  wasm.setup();
  const { Manifold, Mesh } = wasm;
  const toManifold = (tris) => {
    const index = new Map(), verts = [], triVerts = [];
    for (const t of tris)
      for (const p of t) {
        const key = p.join(',');
        let k = index.get(key);
        if (k === undefined) {
          k = verts.length / 3;
          index.set(key, k);
          verts.push(...p);
        }
        triVerts.push(k);
      }
    const mesh = new Mesh({ numProp: 3, vertProperties: new Float32Array(verts),
                            triVerts: new Uint32Array(triVerts) });
    mesh.merge();
    return new Manifold(mesh);
  };
  const ma = toManifold(a), mb = toManifold(b);
  const call = { union: 'add', subtract: 'subtract', intersect: 'intersect' };
  for (const op of ops) {
    // Manifold evaluates lazily: ask for the volume inside the timing.
    const [ms, m] = best(() => {
      const r = ma[call[op]](mb);
      r.numTri();
      return r;
    });
    const volume = typeof m.volume === 'function' ? m.volume() : m.getProperties().volume;
    console.log(`manifold ${op} ${ms.toFixed(1)} ${volume.toFixed(4)}`);
  }
}
