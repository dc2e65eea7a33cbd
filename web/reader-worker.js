// Reads the files the page hands over, one at a time and in the order given,
// so that the page's thread only builds cards. A File is read in slices by
// the package: a large photo costs its head, not its size.
import * as exifkit from '../wasm/index.js';

// Loads the module now, so that the first file does not wait for it.
const ready = (exifkit.ready ? exifkit.ready() : Promise.resolve()).then(
  () => postMessage({ type: 'ready', version: exifkit.version }),
  (error) => postMessage({ type: 'broken', message: messageOf(error) }),
);

let queue = ready;

self.onmessage = (event) => {
  for (const { id, file } of event.data.jobs) queue = queue.then(() => readOne(id, file));
};

async function readOne(id, file) {
  try {
    const result = await exifkit.read(file);
    // Only Exif data hold a thumbnail: no second pass over other files.
    const thumb = result.properties.length ? await thumbnailOf(file) : null;
    postMessage({ type: 'result', id, result, thumb, size: file.size }, thumb ? [thumb.buffer] : []);
  } catch (error) {
    postMessage({ type: 'failed', id, message: messageOf(error), size: sizeOf(file) });
  }
}

// A thumbnail that cannot be had is no reason to lose the metadata.
async function thumbnailOf(file) {
  try {
    const thumb = await exifkit.thumbnail(file);
    if (!thumb || !thumb.length) return null;
    // Transferred to the page, so never a view into the module's memory.
    return thumb.byteOffset === 0 && thumb.buffer.byteLength === thumb.length ? thumb : thumb.slice();
  } catch {
    return null;
  }
}

function sizeOf(file) {
  try {
    return file.size;
  } catch {
    return -1;
  }
}

function messageOf(error) {
  return (error && error.message) || String(error);
}
