// The WebAssembly package in Node: every corpus file gives the command's
// structured line, from bytes and from a Blob read in slices; bad input
// gives a result, never an exception; memory stays flat; the package packs.
//
// EXIFKIT_COMMAND names the built command (default build/exifkit) and
// EXIFKIT_CORPUS the corpus (default ../shared/corpus).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

const ROOT = resolve(fileURLToPath(import.meta.url), '../../..');
const PACKAGE = join(ROOT, 'wasm');
const COMMAND = process.env.EXIFKIT_COMMAND ?? join(ROOT, 'build/exifkit');
const CORPUS = process.env.EXIFKIT_CORPUS ?? join(ROOT, '../shared/corpus');
const built = existsSync(join(PACKAGE, 'dist/exifkit.wasm'));
const exifkit = built ? await import('../../wasm/index.js') : null;

const PHOTO = /\.(jpe?g|tiff?|dng|cr[23w]|nef|arw|orf|rw2|pef|raf|heic|heif|hif|avif|png|webp|jxl)$/i;

function filesUnder(folder) {
  if (!existsSync(folder)) return [];
  return readdirSync(folder, { recursive: true })
    .map((name) => join(folder, name))
    .filter((path) => PHOTO.test(path) && statSync(path).isFile())
    .sort();
}

const files = [...filesUnder(join(ROOT, 'tests/data')), ...filesUnder(CORPUS)];

// The command's structured lines for the files, without their names.
function commandLines(paths) {
  const out = execFileSync(COMMAND, ['-J', '-P', '1', ...paths], { maxBuffer: 1 << 30 }).toString('utf8');
  const lines = out.trimEnd().split('\n').map((line) => JSON.parse(line));
  assert.equal(lines.length, paths.length);
  return lines.map((line) => ({ ...line, file: null }));
}

function commandOrFailure(paths) {
  try {
    return commandLines(paths);
  } catch (e) {
    // The command exits 1 when some file has no Exif data; its output stands.
    if (e.stdout) {
      const lines = e.stdout.toString('utf8').trimEnd().split('\n').map((line) => JSON.parse(line));
      return lines.map((line) => ({ ...line, file: null }));
    }
    throw e;
  }
}

// The package reads without zlib: a PNG whose Exif block is compressed text
// gives a warning in place of its properties.
function withoutZlib(result) {
  return result.warnings.some((w) => w.message.includes('built without zlib'));
}

// A Blob that counts what is sliced out of it.
class CountingBlob extends Blob {
  constructor(parts) {
    super(parts);
    this.sliced = 0;
    this.slices = 0;
  }
  slice(start, end) {
    const part = super.slice(start, end);
    this.sliced += part.size;
    this.slices += 1;
    return part;
  }
}

describe('the WebAssembly package', { skip: !built && 'wasm/dist is not built (make wasm)' }, () => {
  test('every corpus file gives the command\'s structured line, from bytes and from a Blob', async () => {
    assert.ok(existsSync(COMMAND), `no command at ${COMMAND}`);
    const expected = commandOrFailure(files);
    const unavoidable = [];
    for (let i = 0; i < files.length; i++) {
      const bytes = readFileSync(files[i]);
      const fromBytes = await exifkit.read(bytes);
      if (withoutZlib(fromBytes) && !withoutZlib(expected[i])) {
        unavoidable.push(files[i]);
      } else {
        assert.deepEqual(fromBytes, expected[i], files[i]);
      }
      assert.deepEqual(await exifkit.read(new Blob([bytes])), fromBytes, `${files[i]} as a Blob`);
    }
    assert.ok(unavoidable.every((path) => /\.png$/i.test(path)), unavoidable.join('\n'));
    if (unavoidable.length) console.log(`read without zlib, as expected: ${unavoidable.join(', ')}`);
  });

  test('a large Blob is read in a few slices, in little memory', async () => {
    // A TIFF whose IFD0 lies at its end, past 40 MB of image data.
    const size = 40 << 20;
    const file = new Uint8Array(size);
    const view = new DataView(file.buffer);
    const ifd = size - 64;
    file.set([0x49, 0x49, 42, 0], 0);
    view.setUint32(4, ifd, true);
    view.setUint16(ifd, 1, true);
    view.setUint16(ifd + 2, 0x010f, true); // Make
    view.setUint16(ifd + 4, 2, true);
    view.setUint32(ifd + 6, 4, true);
    file.set([0x4e, 0x4f, 0x4b, 0], ifd + 10); // "NOK" inline
    const blob = new CountingBlob([file]);
    const before = process.memoryUsage().rss;
    const result = await exifkit.read(blob);
    // The module's image of the file takes memory only where it was read.
    const grown = process.memoryUsage().rss - before;
    assert.ok(grown < 16 << 20, `memory grew ${grown} bytes`);
    assert.equal(result.summary.make, 'NOK');
    assert.deepEqual(result, await exifkit.read(file));
    assert.ok(blob.sliced < 1 << 20, `sliced ${blob.sliced} bytes`);
    assert.ok(blob.slices <= 4, `${blob.slices} slices`);
  });

  test('bad input gives a result with an error, never an exception', async () => {
    const photo = readFileSync(join(ROOT, 'tests/data/Canon_40D.jpg'));
    let seed = 7;
    const random = new Uint8Array(4096).map(() => (seed = (seed * 1103515245 + 12345) >>> 0) >>> 24);
    const cases = [
      [new Uint8Array(0), /unknown file format/],
      [random, /unknown file format/],
      [new TextEncoder().encode('not a photo at all'), /unknown file format/],
      [photo.subarray(0, 2000), null],
      [new Uint8Array([0xff, 0xd8, 0xff, 0xe1, 0xff, 0xff, 0x45, 0x78]), null],
    ];
    for (const [input, error] of cases) {
      for (const source of [input, new Blob([input]), input.buffer.slice(input.byteOffset, input.byteOffset + input.length)]) {
        const result = await exifkit.read(source);
        if (error) assert.match(result.error, error);
        else assert.ok(result.error || result.warnings.length, JSON.stringify(result));
        assert.equal(result.file, null);
      }
    }
    await assert.rejects(exifkit.read('photo.jpg'), TypeError);
    await assert.rejects(exifkit.read(42), TypeError);
  });

  test('thumbnails from bytes and Blobs are the command\'s', async () => {
    const path = join(ROOT, 'tests/data/Canon_40D.jpg');
    const expected = execFileSync(COMMAND, ['-t', path]);
    const bytes = readFileSync(path);
    assert.deepEqual(Buffer.from(await exifkit.thumbnail(bytes)), expected);
    assert.deepEqual(Buffer.from(await exifkit.thumbnail(new Blob([bytes]))), expected);
    assert.equal(await exifkit.thumbnail(new Uint8Array(16)), null);
  });

  test('memory does not grow over 10,000 reads', async () => {
    const photos = files.filter((path) => /\.jpe?g$/i.test(path)).slice(0, 50).map((path) => readFileSync(path));
    const rss = () => process.memoryUsage().rss;
    for (let i = 0; i < 1000; i++) await exifkit.read(photos[i % photos.length]);
    global.gc?.();
    const before = rss();
    for (let i = 0; i < 10000; i++) await exifkit.read(photos[i % photos.length]);
    global.gc?.();
    const grown = rss() - before;
    assert.ok(grown < 16 << 20, `grew ${grown} bytes`);
  });

  test('one version everywhere', async () => {
    const cmake = readFileSync(join(ROOT, 'CMakeLists.txt'), 'utf8').match(/project\(exifkit VERSION ([0-9.]+)/)[1];
    const manifest = JSON.parse(readFileSync(join(PACKAGE, 'package.json'), 'utf8'));
    assert.equal(manifest.version, cmake);
    assert.equal(exifkit.version, cmake);
    assert.equal(await exifkit.ready(), cmake);
  });

  test('the package packs, installs and reads', { skip: !process.env.npm_execpath && !existsSync('/usr/bin/npm') && 'no npm' }, async () => {
    const scratch = mkdtempSync(join(tmpdir(), 'exifkit-pack-'));
    const [packed] = JSON.parse(execFileSync('npm', ['pack', '--json', '--pack-destination', scratch], { cwd: PACKAGE }));
    const names = packed.files.map((f) => f.path).sort();
    assert.deepEqual(names, ['README.md', 'dist/exifkit.mjs', 'dist/exifkit.wasm', 'index.d.ts', 'index.js', 'package.json']);
    const app = join(scratch, 'app');
    execFileSync('mkdir', ['-p', app]);
    writeFileSync(join(app, 'package.json'), '{"name": "app", "private": true, "type": "module"}');
    execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', join(scratch, packed.filename)], { cwd: app });
    writeFileSync(join(app, 'read.mjs'), `import { read } from 'exifkit';
import { readFileSync } from 'node:fs';
const md = await read(readFileSync(process.argv[2]));
console.log(md.summary.model);`);
    const model = execFileSync('node', ['read.mjs', join(ROOT, 'tests/data/Canon_40D.jpg')], { cwd: app }).toString().trim();
    assert.equal(model, 'Canon EOS 40D');
  });
});
