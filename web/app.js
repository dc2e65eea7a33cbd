// The viewer: files go to a worker that reads them with the WebAssembly
// package; this thread only builds one card per file. The formatting
// helpers are exported so that Node can test them without a browser.

// The command's groups in the order its text output prints them.
export const GROUPS = [
  { level: 2, name: 'Camera', open: true },
  { level: 4, name: 'Image', open: true },
  { level: 8, name: 'Other', open: false },
  { level: 1, name: 'Unsupported', open: false },
];

const POST_CHUNK = 16;

const FORMAT_NAMES = {
  jpeg: 'JPEG', tiff: 'TIFF', heif: 'HEIF', avif: 'AVIF', cr3: 'CR3', png: 'PNG',
  webp: 'WebP', jxl: 'JPEG XL', raf: 'RAF', crw: 'CRW',
};

// Formats every current browser decodes; the others show their thumbnail only.
const SHOWN_AS_IS = new Set(['jpeg', 'png', 'webp', 'avif']);

// CSS that turns an unrotated Exif thumbnail the way the photo's Orientation
// says; the browser already does it for the photo itself.
const ORIENTATION_TRANSFORMS = {
  2: 'scaleX(-1)', 3: 'rotate(180deg)', 4: 'scaleY(-1)', 5: 'rotate(90deg) scaleY(-1)',
  6: 'rotate(90deg)', 7: 'rotate(90deg) scaleX(-1)', 8: 'rotate(-90deg)',
};

// At most `digits` decimals, no trailing zeros: 4.25, 21.3, 24.
function trimmed(x, digits) {
  return String(Number(x.toFixed(digits)));
}

export function formatExposureTime(exposure) {
  if (!Array.isArray(exposure)) return null;
  const [n, d] = exposure;
  if (!(n > 0 && d > 0)) return null;
  if (d === 1) return `${n} s`;
  if (n === 1 || n < d) {
    const x = d / n;
    return `1/${x >= 10 ? Math.round(x) : trimmed(x, 1)} s`;
  }
  return `${trimmed(n / d, 1)} s`;
}

// "1/160 s · f/7.1 · ISO 100 · 135 mm", leaving out what the file lacks.
export function formatExposure(summary) {
  const parts = [];
  const time = formatExposureTime(summary.exposure_time);
  if (time) parts.push(time);
  if (summary.f_number > 0) parts.push(`f/${trimmed(summary.f_number, 1)}`);
  if (summary.iso > 0) parts.push(`ISO ${summary.iso}`);
  if (summary.focal_length > 0) parts.push(`${trimmed(summary.focal_length, 2)} mm`);
  return parts.join(' · ');
}

// The capture date first; the others stand in when a file lacks it.
export function captureDate(summary) {
  const pick = [
    ['Taken', summary.datetime_original],
    ['Digitized', summary.datetime_digitized],
    ['Modified', summary.datetime_modified],
  ].find(([, value]) => value);
  if (!pick) return null;
  const [label, iso] = pick;
  // Local camera time, shown as recorded: no time zone is assumed.
  const m = /^(\d{4}-\d{2}-\d{2})T(\d{2}:\d{2}:\d{2})(\.\d+)?(Z|[+-]\d{2}:\d{2})?$/.exec(iso);
  const text = m ? `${m[1]} ${m[2]}${m[4] ? ` ${m[4] === 'Z' ? 'UTC' : m[4]}` : ''}` : iso;
  return { label, iso, text };
}

export function formatCoordinate(x) {
  return x.toFixed(6);
}

// A plain link to the place; nothing is fetched until it is followed.
export function mapLink(latitude, longitude) {
  const lat = formatCoordinate(latitude);
  const lon = formatCoordinate(longitude);
  return `https://www.openstreetmap.org/?mlat=${lat}&mlon=${lon}#map=15/${lat}/${lon}`;
}

export function formatPosition(gps) {
  if (!gps) return null;
  const parts = [];
  const placed = Number.isFinite(gps.latitude) && Number.isFinite(gps.longitude);
  if (placed) parts.push(`${formatCoordinate(gps.latitude)}, ${formatCoordinate(gps.longitude)}`);
  else if (Number.isFinite(gps.latitude)) parts.push(`latitude ${formatCoordinate(gps.latitude)}`);
  else if (Number.isFinite(gps.longitude)) parts.push(`longitude ${formatCoordinate(gps.longitude)}`);
  const extras = [];
  if (Number.isFinite(gps.altitude)) extras.push(`altitude ${trimmed(gps.altitude, 1)} m`);
  if (Number.isFinite(gps.direction)) extras.push(`facing ${Math.round(gps.direction) % 360}°`);
  if (!parts.length && !extras.length) return null;
  return { coordinates: parts[0] || null, extras, link: placed ? mapLink(gps.latitude, gps.longitude) : null };
}

export function formatName(format) {
  return format ? FORMAT_NAMES[format] || format.toUpperCase() : null;
}

export function formatSize(bytes) {
  if (bytes < 1024) return `${bytes} B`;
  if (bytes < 1024 * 1024) return `${trimmed(bytes / 1024, 0)} KB`;
  return `${trimmed(bytes / (1024 * 1024), 1)} MB`;
}

// What a card says besides the properties: null when the read went well.
export function describeOutcome(md) {
  const found = md.properties.length > 0;
  const error = md.error ? md.error.replace(/^Error:\s*/, '') : null;
  if (md.result === 1)
    return { kind: 'unreadable', message: 'This file could not be read: it is empty, or the browser could not open it.', detail: error };
  if (!md.format && !found)
    return { kind: 'not-photo', message: 'This is not a photo exifkit can read.', detail: error };
  if (md.result === 0)
    return found ? null : { kind: 'no-metadata', message: 'The Exif data of this photo hold no properties.', detail: null };
  if (!found && !error)
    return { kind: 'no-metadata', message: `This ${formatName(md.format)} file holds no camera metadata (no Exif data).`, detail: null };
  if (!found)
    return { kind: 'failed', message: 'The metadata could not be read.', detail: error };
  const why = md.result === 4 ? 'There was not enough memory to read all of it' : 'The file is damaged';
  return { kind: 'damaged', message: `${why}: what could be read is shown below.`, detail: error };
}

export function groupProperties(properties) {
  return GROUPS.map((group) => ({ ...group, rows: properties.filter((p) => p.group === group.level) })).filter(
    (group) => group.rows.length,
  );
}

// The command's object for a named file, as `exifkit -J NAME` prints it.
export function asCommandOutput(md, name) {
  return { ...md, file: name };
}

export function safeFileName(name) {
  return name.replace(/[\\/:*?"<>|\u0000-\u001f]+/g, '_') || 'photo';
}

if (typeof document !== 'undefined') start();

function start() {
  const $ = (id) => document.getElementById(id);
  const input = $('files');
  const drop = $('drop');
  const filter = $('filter');
  const filterCount = $('filter-count');
  const status = $('status');
  const list = $('cards');
  const copyAll = $('copy-all');
  const downloadAll = $('download-all');
  const clear = $('clear');

  const cards = new Map(); // id -> card
  let nextId = 1;
  let batch = null;
  let broken = null; // why the reader cannot run
  let lastAnnounced = 0;

  const worker = new Worker(new URL('./reader-worker.js', import.meta.url), { type: 'module' });
  worker.onmessage = (event) => {
    const msg = event.data;
    if (msg.type === 'ready') $('version').textContent = `exifkit ${msg.version}`;
    else if (msg.type === 'broken') fail(`The exifkit module could not be loaded (${msg.message}). Build it with make wasm.`);
    else if (msg.type === 'result') settle(msg.id, (card) => showResult(card, msg.result, msg.thumb, msg.size));
    else if (msg.type === 'failed') settle(msg.id, (card) => showFailure(card, `The file could not be read: ${msg.message}`, msg.size));
  };
  // A module worker whose imports fail to load reports it here, with no message.
  worker.onerror = (event) => {
    event.preventDefault();
    fail('The reader could not start: the exifkit package (../wasm/) is missing or broken. Build it with make wasm.');
  };

  function fail(message) {
    broken = message;
    announce(message, true);
    for (const card of cards.values()) if (card.state === 'reading') settle(card.id, (c) => showFailure(c, message));
  }

  // Opening files ------------------------------------------------------------

  drop.addEventListener('click', () => input.click());
  input.addEventListener('change', () => {
    const started = performance.now();
    addFiles([...input.files], started);
    input.value = ''; // the same file can be chosen again
  });

  // The whole window takes a drop, so that a near miss does not open the file.
  let dragDepth = 0;
  const carriesFiles = (event) => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
  window.addEventListener('dragenter', (event) => {
    if (!carriesFiles(event)) return;
    dragDepth++;
    document.body.classList.add('dragging');
  });
  window.addEventListener('dragleave', () => {
    if (dragDepth && --dragDepth === 0) document.body.classList.remove('dragging');
  });
  window.addEventListener('dragover', (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  });
  window.addEventListener('drop', (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    const started = performance.now();
    dragDepth = 0;
    document.body.classList.remove('dragging');
    addFiles([...event.dataTransfer.files], started);
  });

  function addFiles(files, started) {
    if (!files.length) return;
    batch = { started, total: files.length, done: 0, shown: false };
    list.removeAttribute('data-first-card-ms');
    const fragment = document.createDocumentFragment();
    const jobs = [];
    for (const file of files) {
      const card = makeCard(nextId++, file);
      card.batch = batch;
      cards.set(card.id, card);
      fragment.append(card.li);
      jobs.push({ id: card.id, file });
    }
    list.append(fragment);
    if (broken) jobs.forEach((job) => settle(job.id, (c) => showFailure(c, broken)));
    else post(jobs);
    updateToolbar();
    announce(`Reading ${plural(files.length, 'file')}…`, true);
  }

  // Handing over a File costs the browser a round trip of its own; in small
  // chunks, each its own task, a hundred files do not hold up the page. The
  // first goes alone, so that its card comes first.
  function post(jobs) {
    worker.postMessage({ jobs: jobs.slice(0, 1) });
    for (let i = 1; i < jobs.length; i += POST_CHUNK) {
      const chunk = jobs.slice(i, i + POST_CHUNK);
      setTimeout(() => worker.postMessage({ jobs: chunk }));
    }
  }

  function settle(id, show) {
    const card = cards.get(id);
    if (!card || card.state !== 'reading') return; // cleared meanwhile
    show(card);
    if (filter.value.trim()) {
      applyFilterTo(card);
      countMatches();
    }
    const b = card.batch;
    b.done++;
    if (!b.shown) {
      b.shown = true;
      // Measured at the frame that paints the card.
      requestAnimationFrame(() => {
        const ms = performance.now() - b.started;
        if (b === batch) list.dataset.firstCardMs = ms.toFixed(1);
      });
    }
    updateToolbar();
    if (b === batch) progress(b);
  }

  function progress(b) {
    if (b.done === b.total) {
      const unread = [...cards.values()].filter((c) => c.batch === b && c.kind).length;
      const note = unread ? `; ${plural(unread, 'file')} without readable metadata` : '';
      announce(`Read ${plural(b.total, 'file')}${note}.`, true);
    } else {
      announce(`Read ${b.done} of ${b.total} files…`);
    }
  }

  // Progress every file would drown a screen reader; once a second is enough.
  function announce(text, now = false) {
    const t = performance.now();
    if (!now && t - lastAnnounced < 1000) return;
    lastAnnounced = t;
    status.textContent = text;
  }

  // Cards --------------------------------------------------------------------

  function makeCard(id, file) {
    const li = el('li', { className: 'card', id: `card-${id}` });
    li.dataset.state = 'reading';
    const article = el('article', { 'aria-labelledby': `card-${id}-title` });
    const title = el('h2', { id: `card-${id}-title`, className: 'card-title' }, file.name || 'unnamed file');
    const preview = el('div', { className: 'preview', 'aria-hidden': 'true' }, el('span', { className: 'placeholder' }, '…'));
    // No file.size here: for a file on disk that asks the browser process,
    // synchronously, and a hundred such calls hold up the page.
    const facts = el('div', { className: 'facts' }, title, el('p', { className: 'meta' }, 'reading…'));
    article.append(el('div', { className: 'card-head' }, preview, facts));
    li.append(article);
    return { id, file, li, article, preview, facts, state: 'reading', result: null, kind: null, sections: [], urls: [] };
  }

  function showResult(card, md, thumb, size) {
    card.result = md;
    card.state = 'done';
    card.li.dataset.state = 'done';
    const s = md.summary || {};
    const outcome = describeOutcome(md);
    card.kind = outcome && outcome.kind !== 'damaged' ? outcome.kind : null;
    if (outcome) card.li.dataset.kind = outcome.kind;

    showPreview(card, md, thumb);

    const meta = [formatName(md.format), s.width && s.height ? `${s.width} × ${s.height}` : null, size >= 0 ? formatSize(size) : null];
    card.facts.querySelector('.meta').textContent = meta.filter(Boolean).join(' · ');
    if (outcome) card.facts.append(notice(outcome));

    const dl = el('dl', { className: 'summary' });
    const item = (label, cls, ...content) => dl.append(el('div', { className: cls }, el('dt', {}, label), el('dd', {}, ...content)));
    if (s.make || s.model)
      item('Camera', 'camera', ...[s.make && el('span', { className: 'make' }, s.make), s.make && s.model ? ' ' : null, s.model && el('span', { className: 'model' }, s.model)].filter(Boolean));
    if (s.lens) item('Lens', 'lens', s.lens);
    const exposure = formatExposure(s);
    if (exposure) {
      item('Exposure', 'exposure', exposure);
      if (s.focal_length_35mm) dl.lastChild.title = `${trimmed(s.focal_length_35mm, 1)} mm in 35 mm terms`;
    }
    const date = captureDate(s);
    if (date) item(date.label, 'date', el('time', { dateTime: date.iso }, date.text));
    const position = formatPosition(s.gps);
    if (position) {
      const content = [];
      if (position.coordinates) content.push(el('span', { className: 'coordinates' }, position.coordinates));
      if (position.extras.length) content.push(`${content.length ? ' · ' : ''}${position.extras.join(' · ')}`);
      if (position.link)
        content.push(' ', el('a', { href: position.link, target: '_blank', rel: 'noopener noreferrer' }, 'Show on a map', el('span', { className: 'visually-hidden' }, ' (OpenStreetMap, opens a new tab)')));
      item('Position', 'position', ...content);
    }
    if (dl.childElementCount) card.facts.append(dl);

    const name = card.file.name || 'photo';
    const actions = el('p', { className: 'card-actions' },
      button('Copy JSON', name, () => copy(JSON.stringify(asCommandOutput(md, name), null, 2), `the JSON of ${name}`)),
      button('Download JSON', name, () => download(`${JSON.stringify(asCommandOutput(md, name), null, 2)}\n`, `${safeFileName(name)}.json`)));
    card.facts.append(actions);

    if (md.properties.length) card.article.append(propertyTables(card, md.properties, name));
    if (md.warnings.length) card.article.append(warningList(card, md.warnings));
  }

  function showFailure(card, message, size) {
    card.state = 'failed';
    card.kind = 'failed';
    card.li.dataset.state = 'failed';
    card.li.dataset.kind = 'failed';
    card.preview.replaceChildren(el('span', { className: 'placeholder' }, '!'));
    card.facts.querySelector('.meta').textContent = size >= 0 ? formatSize(size) : '';
    card.facts.append(notice({ kind: 'failed', message, detail: null }));
  }

  // The embedded thumbnail when there is one: small, and there for raw files;
  // else the photo itself when the browser can decode it.
  function showPreview(card, md, thumb) {
    let src = null;
    let transform = null;
    if (thumb) {
      src = objectURL(card, new Blob([thumb], { type: 'image/jpeg' }));
      transform = ORIENTATION_TRANSFORMS[md.summary && md.summary.orientation] || null;
    } else if (SHOWN_AS_IS.has(md.format)) {
      src = objectURL(card, card.file);
    }
    if (!src) {
      const label = formatName(md.format);
      card.preview.replaceChildren(el('span', { className: 'placeholder' }, label || 'no image'));
      return;
    }
    // Beside the file's name the picture adds nothing a screen reader could say.
    const img = el('img', { loading: 'lazy', decoding: 'async', alt: '', src });
    if (transform) img.style.transform = transform;
    // A photo the browser cannot decode after all falls back to its label.
    img.addEventListener('error', () => card.preview.replaceChildren(el('span', { className: 'placeholder' }, formatName(md.format) || 'no image')));
    card.preview.replaceChildren(img);
  }

  function objectURL(card, blob) {
    const url = URL.createObjectURL(blob);
    card.urls.push(url);
    return url;
  }

  function notice({ kind, message, detail }) {
    const p = el('p', { className: `notice notice-${kind}` }, message);
    if (detail) p.append(el('span', { className: 'detail' }, detail));
    return p;
  }

  function propertyTables(card, properties, name) {
    const box = el('div', { className: 'properties' });
    box.append(el('h3', { className: 'visually-hidden' }, `Properties of ${name}`));
    for (const group of groupProperties(properties)) {
      const tbody = el('tbody');
      const rows = [];
      for (const p of group.rows) {
        const where = el('td', { className: 'where' }, el('span', { className: 'dir' }, p.directory), ' ', el('code', {}, p.key));
        if (p.parent) where.append(el('span', { className: 'parent' }, ` in ${p.parent}`));
        where.title = `tag 0x${p.tag.toString(16).padStart(4, '0')}, type ${p.type}, count ${p.count}`;
        const tr = el('tr', {}, el('th', { scope: 'row' }, p.name), el('td', { className: 'text' }, p.text), where);
        tbody.append(tr);
        rows.push({ tr, haystack: `${p.name}\n${p.text}\n${p.key}\n${p.directory}`.toLowerCase() });
      }
      const table = el('table', {},
        el('caption', { className: 'visually-hidden' }, `${group.name} properties of ${name}`),
        el('thead', {}, el('tr', {}, el('th', { scope: 'col' }, 'Name'), el('th', { scope: 'col' }, 'Value'), el('th', { scope: 'col' }, 'Directory and key'))),
        tbody);
      // Wide tables scroll on their own; a focusable region lets the keyboard scroll them.
      const scroller = el('div', { className: 'scroll', tabIndex: 0, role: 'region', 'aria-label': `${group.name} properties of ${name}` }, table);
      const count = el('span', { className: 'count' }, String(rows.length));
      const details = el('details', { className: `group group-${group.name.toLowerCase()}` },
        el('summary', {}, el('span', { className: 'group-name' }, group.name), ' ', count), scroller);
      details.open = group.open;
      const section = { details, count, rows, total: rows.length, userOpen: group.open };
      // What the reader opened or closed is kept for when the filter is cleared.
      details.addEventListener('toggle', () => {
        if (!filter.value.trim()) section.userOpen = details.open;
      });
      card.sections.push(section);
      box.append(details);
    }
    return box;
  }

  function warningList(card, warnings) {
    const ul = el('ul');
    for (const w of warnings) {
      const li = el('li', {}, w.message);
      if (w.detail) li.append(': ', el('code', {}, w.detail));
      ul.append(li);
    }
    return el('section', { className: 'warnings', 'aria-label': `Warnings for ${card.file.name}` }, el('h3', {}, `Warnings (${warnings.length})`), ul);
  }

  // Filter --------------------------------------------------------------------

  let filterTimer = 0;
  filter.addEventListener('input', () => {
    clearTimeout(filterTimer);
    filterTimer = setTimeout(applyFilter, 120);
  });

  function applyFilter() {
    for (const card of cards.values()) applyFilterTo(card);
    countMatches();
  }

  function countMatches() {
    const query = filter.value.trim();
    if (!query) {
      filterCount.textContent = '';
      return;
    }
    let shown = 0;
    let total = 0;
    for (const card of cards.values())
      for (const section of card.sections) {
        total += section.total;
        shown += section.shown;
      }
    filterCount.textContent = `${shown} of ${plural(total, 'property', 'properties')} match`;
  }

  function applyFilterTo(card) {
    const query = filter.value.trim().toLowerCase();
    let cardShown = 0;
    for (const section of card.sections) {
      let shown = 0;
      for (const row of section.rows) {
        const match = !query || row.haystack.includes(query);
        row.tr.hidden = !match;
        if (match) shown++;
      }
      section.shown = shown;
      cardShown += shown;
      section.details.hidden = query !== '' && shown === 0;
      section.count.textContent = query ? `${shown} of ${section.total}` : String(section.total);
      section.details.open = query ? shown > 0 : section.userOpen;
    }
    let none = card.article.querySelector('.no-match');
    if (query && card.sections.length && cardShown === 0) {
      if (!none) card.article.querySelector('.properties').append((none = el('p', { className: 'no-match muted' })));
      none.textContent = `No property matches “${filter.value.trim()}”.`;
    } else if (none) none.remove();
  }

  // Export ----------------------------------------------------------------------

  // All files as JSON Lines: what `exifkit -J` prints for the same files.
  function allLines() {
    return [...cards.values()].filter((c) => c.result).map((c) => `${JSON.stringify(asCommandOutput(c.result, c.file.name))}\n`).join('');
  }

  copyAll.addEventListener('click', () => copy(allLines(), 'the JSON of all files'));
  downloadAll.addEventListener('click', () => {
    const n = [...cards.values()].filter((c) => c.result).length;
    download(allLines(), n === 1 ? 'exifkit-1-file.jsonl' : `exifkit-${n}-files.jsonl`, 'application/x-ndjson');
  });
  clear.addEventListener('click', () => {
    for (const card of cards.values()) card.urls.forEach((url) => URL.revokeObjectURL(url));
    cards.clear();
    batch = null;
    list.replaceChildren();
    list.removeAttribute('data-first-card-ms');
    filterCount.textContent = '';
    updateToolbar();
    announce('Cleared.', true);
    drop.focus();
  });

  function updateToolbar() {
    const any = [...cards.values()].some((c) => c.result);
    copyAll.disabled = !any;
    downloadAll.disabled = !any;
    clear.disabled = cards.size === 0;
  }

  async function copy(text, what) {
    try {
      await navigator.clipboard.writeText(text);
    } catch {
      // Clipboard access refused (or no secure context): the older way.
      const area = el('textarea', { className: 'visually-hidden', readOnly: true });
      area.value = text;
      document.body.append(area);
      area.select();
      const done = document.execCommand('copy');
      area.remove();
      if (!done) return announce(`Could not copy ${what}: the browser refused.`, true);
    }
    announce(`Copied ${what}.`, true);
  }

  function download(text, name, type = 'application/json') {
    const url = URL.createObjectURL(new Blob([text], { type }));
    const a = el('a', { href: url, download: name });
    document.body.append(a);
    a.click();
    a.remove();
    // The download has taken the bytes by the next turn; the URL can go.
    setTimeout(() => URL.revokeObjectURL(url), 1000);
    announce(`Saved ${name}.`, true);
  }

  function button(label, name, onClick) {
    const b = el('button', { type: 'button' }, label, el('span', { className: 'visually-hidden' }, ` of ${name}`));
    b.addEventListener('click', onClick);
    return b;
  }
}

function plural(n, one, many = `${one}s`) {
  return `${n} ${n === 1 ? one : many}`;
}

function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(props)) {
    if (key.includes('-') || key === 'role' || key === 'scope') node.setAttribute(key, value);
    else node[key] = value;
  }
  for (const child of children) if (child != null && child !== false) node.append(child);
  return node;
}
