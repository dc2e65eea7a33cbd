// Times exifr over files read into memory first, as bench/compare times
// exifkit: for each file the mean microseconds of one parse, over `rounds`
// rounds after one untimed pass. Prints one line per file: "path<TAB>us".
//
//   node exifr.mjs ROUNDS FILE...
import { readFileSync } from 'node:fs';
import exifr from 'exifr';

const [roundsArg, ...files] = process.argv.slice(2);
const rounds = Math.max(1, Number(roundsArg) || 1);
const buffers = files.map((f) => readFileSync(f));
// Everything exifr reads: TIFF, Exif, GPS, Interop, thumbnail IFD, maker notes.
const options = { tiff: true, exif: true, gps: true, interop: true, ifd1: true, makerNote: true, xmp: false, icc: false, iptc: false };

async function parse(buffer) {
  try {
    const out = await exifr.parse(buffer, options);
    return out ? Object.keys(out).length : 0;
  } catch {
    return 0;
  }
}

let sink = 0;
for (const b of buffers) sink += await parse(b);
for (let i = 0; i < files.length; i++) {
  const start = process.hrtime.bigint();
  for (let r = 0; r < rounds; r++) sink += await parse(buffers[i]);
  const us = Number(process.hrtime.bigint() - start) / 1000 / rounds;
  process.stdout.write(`${files[i]}\t${us.toFixed(2)}\n`);
}
if (sink < 0) process.exit(1);
