// The WebAssembly package against exifr and ExifReader in Node, in one run:
// the camera photos of the corpus (JPEG files, without the damaged ones of
// invalid/, tests/ and exiv2-suite/, and the crash reproducers of formats/)
// and the other formats of formats/camera, each read from the same in-memory buffers. The readers
// take turns round by round; each figure is the best round's mean time per
// file, in microseconds.
//
//   node bench/node/compare.mjs [CORPUS] [ROUNDS]
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { join, relative, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import exifr from 'exifr';
import ExifReader from 'exifreader';
import * as exifkit from '../../wasm/index.js';

const ROOT = resolve(fileURLToPath(import.meta.url), '../../..');
const corpus = process.argv[2] ?? join(ROOT, '../shared/corpus');
const rounds = Number(process.argv[3] ?? 7);

function walk(folder) {
  return readdirSync(folder, { recursive: true })
    .map((name) => join(folder, name))
    .filter((path) => statSync(path).isFile())
    .sort();
}

const all = walk(corpus);
const cameraJpegs = all.filter((path) => {
  const rel = relative(corpus, path);
  return /\.jpe?g$/i.test(path) && !/^(invalid|tests|exiv2-suite|formats)\//.test(rel) && rel !== 'corrupted.jpg';
});
const formats = {};
for (const path of walk(join(corpus, 'formats/camera'))) {
  const ext = path.match(/\.([a-z0-9]+)$/i)?.[1].toLowerCase();
  const format = { tif: 'tiff', tiff: 'tiff', heic: 'heif', avif: 'avif', png: 'png', webp: 'webp' }[ext];
  if (format) (formats[format] ??= []).push(path);
}

// Everything exifr reads: TIFF, Exif, GPS, Interop, thumbnail IFD, maker notes.
const exifrOptions = { tiff: true, exif: true, gps: true, interop: true, ifd1: true, makerNote: true, xmp: false, icc: false, iptc: false };

const readers = {
  exifkit: async (buffer) => (await exifkit.read(buffer)).properties.length,
  exifr: async (buffer) => {
    try {
      return Object.keys((await exifr.parse(buffer, exifrOptions)) ?? {}).length;
    } catch {
      return 0;
    }
  },
  ExifReader: async (buffer) => {
    try {
      return Object.keys(ExifReader.load(buffer)).length;
    } catch {
      return 0;
    }
  },
};

async function pass(read, buffers) {
  let sink = 0;
  for (const b of buffers) sink += await read(b);
  return sink;
}

// How many passes take a tenth of a second.
async function repeats(read, buffers) {
  await pass(read, buffers);
  for (let n = 1; ; n *= 2) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < n; i++) await pass(read, buffers);
    if (Number(process.hrtime.bigint() - start) > 1e8) return n;
  }
}

async function best(buffers) {
  const passes = {};
  for (const [name, read] of Object.entries(readers)) passes[name] = await repeats(read, buffers);
  const times = Object.fromEntries(Object.keys(readers).map((name) => [name, Infinity]));
  for (let r = 0; r < rounds; r++) {
    for (const [name, read] of Object.entries(readers)) {
      const start = process.hrtime.bigint();
      for (let i = 0; i < passes[name]; i++) await pass(read, buffers);
      const us = Number(process.hrtime.bigint() - start) / 1000 / (passes[name] * buffers.length);
      times[name] = Math.min(times[name], us);
    }
  }
  return times;
}

await exifkit.ready();
console.log(`exifkit ${exifkit.version} (WebAssembly), Node ${process.versions.node}, ${new Date().toISOString().slice(0, 10)}\n`);
console.log('| files | count | exifkit | exifr | exifr / exifkit | ExifReader | ExifReader / exifkit |');
console.log('|---|---:|---:|---:|---:|---:|---:|');
const sets = [['camera JPEG', cameraJpegs], ...Object.entries(formats).map(([f, paths]) => [`${f} (formats/camera)`, paths])];
for (const [name, paths] of sets) {
  const buffers = paths.map((path) => readFileSync(path));
  const t = await best(buffers);
  const ratio = (x) => (x / t.exifkit).toFixed(1);
  console.log(`| ${name} | ${paths.length} | ${t.exifkit.toFixed(1)} µs | ${t.exifr.toFixed(1)} µs | ${ratio(t.exifr)}× | ${t.ExifReader.toFixed(1)} µs | ${ratio(t.ExifReader)}× |`);
}
