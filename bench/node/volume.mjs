// Enclosed volume of each binary STL named: node volume.mjs FILE...
import { readStl } from './stl.mjs';

for (const path of process.argv.slice(2)) {
  let v = 0;
  for (const [a, b, c] of readStl(path)) {
    v += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
          a[2] * (b[0] * c[1] - b[1] * c[0])) / 6;
  }
  console.log(`${path} ${Math.abs(v).toFixed(4)}`);
}
