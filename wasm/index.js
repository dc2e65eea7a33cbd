// exifkit in WebAssembly: the camera metadata of photos (Exif, GPS and maker
// notes), in browsers, workers and Node, from bytes or from a Blob/File read
// in slices. Nothing leaves the machine: the module reads what it is given.
//
//   import * as exifkit from 'exifkit';
//   const md = await exifkit.read(file);       // Uint8Array, ArrayBuffer, Blob or File
//   md.summary.model, md.properties.length
//
// A result is the object `exifkit -J` prints for the same bytes, with
// `file: null`.

export const version = '0.2.0';

// A Blob is read from its start; a read that needs more names the range it
// lacked, which is fetched before reading again. Each round fetches at least
// a slice of this size, and a file never takes more rounds than this.
const FIRST_SLICE = 256 * 1024;
const LEAST_SLICE = 64 * 1024;
const ROUNDS = 8;

let loading = null;

async function wasmBytes() {
  const url = new URL('./dist/exifkit.wasm', import.meta.url);
  if (url.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return readFile(url);
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`exifkit: cannot load ${url}: HTTP ${response.status}`);
  return new Uint8Array(await response.arrayBuffer());
}

// The module, loaded once; the bytes are handed to it, so that the same
// loader works wherever this file is served from.
function core() {
  if (!loading) {
    loading = Promise.all([import('./dist/exifkit.mjs'), wasmBytes()]).then(([loader, wasmBinary]) =>
      loader.default({ wasmBinary }),
    );
    loading.catch(() => {
      loading = null;
    });
  }
  return loading;
}

const decoder = new TextDecoder('utf-8');

function isBlob(input) {
  return typeof Blob !== 'undefined' && input instanceof Blob;
}

function bytesOf(input) {
  if (input instanceof Uint8Array) return input;
  if (input instanceof ArrayBuffer) return new Uint8Array(input);
  if (ArrayBuffer.isView(input)) return new Uint8Array(input.buffer, input.byteOffset, input.byteLength);
  throw new TypeError('exifkit: give a Uint8Array, an ArrayBuffer, or a Blob/File');
}

// Runs `use` with the module reading the bytes where they are: it copies
// in only the ranges the read asks for.
function fromMemory(m, bytes, use) {
  m.ekFetch = (offset, out, length) => {
    const part = bytes.subarray(offset, offset + length);
    m.HEAPU8.set(part, out);
    return part.length;
  };
  try {
    return use(bytes.length);
  } finally {
    m.ekFetch = null;
  }
}

// Value kinds of the tape (wasm/src/binding.cc, encoder).
const NONE = 0, TRUNCATED = 1, TEXT = 2, BYTES = 3, INTEGER = 4, REAL = 5, RATIONAL = 6, ARRAY = 7;

// The last read's result, from the module's tape of numbers and pool of
// text: the object the command's structured JSON line holds. Floats that
// are not finite are null there, as JSON has no other way to write them.
function lastResult(m) {
  const at = m._ek_tape() >> 3;
  const t = m.HEAPF64.subarray(at, at + m._ek_tape_length());
  const poolAt = m._ek_pool();
  const pool = decoder.decode(m.HEAPU8.subarray(poolAt, poolAt + m._ek_pool_length()));
  const constants = (m.ekConstants ??= []);
  let i = 0;
  const num = () => t[i++];
  const text = () => {
    const start = t[i++];
    const length = t[i++];
    return start < 0 ? null : pool.substring(start, start + length);
  };
  const constant = () => {
    const id = t[i++];
    return id < 0 ? null : constants[id];
  };
  const finite = (x) => (Number.isFinite(x) ? x : null);
  const element = (kind) => (kind === RATIONAL ? [num(), num()] : kind === REAL ? finite(num()) : num());
  const value = () => {
    const kind = num();
    switch (kind) {
      case NONE: return null;
      case TRUNCATED: return { length: num() };
      case TEXT: case BYTES: return text();
      case ARRAY: {
        const of = num();
        const out = new Array(num());
        for (let k = 0; k < out.length; k++) out[k] = element(of);
        return out;
      }
      default: return element(kind);
    }
  };

  // The constants first met in this read lie at the end of the tape.
  i = t[0];
  for (let fresh = num(); fresh > 0; fresh--) constants[num()] = text();
  i = 1;
  const result = { file: null, format: constant(), result: num(), error: text() };
  const warnings = new Array(num());
  for (let k = 0; k < warnings.length; k++) warnings[k] = { message: text(), detail: text() };
  result.warnings = warnings;
  result.frame = num() ? { precision: num(), components: num(), height: num(), width: num() } : null;
  result.summary = summary(num, text);
  const properties = new Array(num());
  for (let k = 0; k < properties.length; k++) {
    const p = { directory: constant(), tag: num(), key: constant(), name: constant(), text: text(), value: value(),
      group: num(), type: num(), count: num() };
    const parent = constant();
    if (parent !== null) p.parent = parent;
    properties[k] = p;
  }
  result.properties = properties;
  return result;
}

// The summary's fields in the order the module writes them; only those the file answers.
function summary(num, text) {
  const s = {};
  const field = (name, read) => {
    if (num()) s[name] = read();
  };
  const real = () => {
    const x = num();
    return Number.isFinite(x) ? x : null;
  };
  for (const name of ['make', 'model', 'lens', 'software', 'datetime_original', 'datetime_digitized', 'datetime_modified'])
    field(name, text);
  field('exposure_time', () => [num(), num()]);
  field('f_number', real);
  field('iso', num);
  field('focal_length', real);
  field('focal_length_35mm', real);
  field('orientation', num);
  field('width', num);
  field('height', num);
  field('gps', () => {
    const g = {};
    const part = (name, read) => {
      if (num()) g[name] = read();
    };
    part('latitude', real);
    part('longitude', real);
    part('altitude', real);
    part('timestamp', text);
    part('direction', real);
    return g;
  });
  return s;
}

function lastThumbnail(m, length) {
  if (!length) return null;
  const at = m._ek_thumbnail_bytes();
  return m.HEAPU8.slice(at, at + length);
}

// Reads what the pieces of a Blob hold, fetching what a round lacked, and
// gives what `finish` makes of the last round.
async function fromSlices(m, blob, run, finish) {
  const pieces = [];
  const fetchSlice = async (offset, length) => {
    const end = Math.min(blob.size, offset + length);
    pieces.push({ offset, bytes: new Uint8Array(await blob.slice(offset, end).arrayBuffer()) });
  };
  await fetchSlice(0, FIRST_SLICE);
  for (let round = 1; ; round++) {
    const held = pieces.map((p) => {
      const at = m._malloc(Math.max(p.bytes.length, 1));
      if (!at) throw new RangeError('exifkit: no memory for the file');
      m.HEAPU8.set(p.bytes, at);
      return at;
    });
    let missing = null;
    let outcome;
    try {
      m._ek_pieces_reset(blob.size);
      pieces.forEach((p, i) => m._ek_pieces_add(p.offset, held[i], p.bytes.length));
      const value = run();
      if (m._ek_missing() && round < ROUNDS) missing = [m._ek_missing_offset(), m._ek_missing_length()];
      else outcome = finish(value);
    } finally {
      held.forEach((at) => m._free(at));
    }
    if (!missing) return outcome;
    await fetchSlice(missing[0], Math.max(missing[1], LEAST_SLICE));
  }
}

/**
 * Reads the metadata of a photo.
 * @param {Uint8Array|ArrayBuffer|ArrayBufferView|Blob} input the file's bytes, or a Blob/File read in slices
 * @returns {Promise<object>} the object `exifkit -J` prints for the same bytes, `file` null
 */
export async function read(input) {
  const m = await core();
  if (isBlob(input)) return fromSlices(m, input, () => m._ek_read_pieces(), () => lastResult(m));
  return fromMemory(m, bytesOf(input), (size) => {
    m._ek_read_host(size);
    return lastResult(m);
  });
}

/**
 * The JPEG thumbnail embedded in the photo's Exif data, or null.
 * @param {Uint8Array|ArrayBuffer|ArrayBufferView|Blob} input
 * @returns {Promise<Uint8Array|null>}
 */
export async function thumbnail(input) {
  const m = await core();
  if (isBlob(input)) return fromSlices(m, input, () => m._ek_thumbnail_pieces(), (n) => lastThumbnail(m, n));
  return fromMemory(m, bytesOf(input), (size) => lastThumbnail(m, m._ek_thumbnail_host(size)));
}

/** Loads the module now rather than on the first read. */
export async function ready() {
  const m = await core();
  return m.UTF8ToString(m._ek_version());
}
