// The viewer page (web/) in headless Chromium, reading through the real
// WebAssembly package, checked against what the command prints for the same
// files. Run from the repository root: node --test tests/web/
//
// EXIFKIT_COMMAND names the command (default build/exifkit), EXIFKIT_CORPUS
// the corpus folder (default ../shared/corpus beside the repository),
// CHROMIUM the browser (default /usr/bin/chromium).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import * as viewer from '../../web/app.js';

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const COMMAND = process.env.EXIFKIT_COMMAND || path.join(ROOT, 'build/exifkit');
const CORPUS = process.env.EXIFKIT_CORPUS || path.join(ROOT, '..', 'shared', 'corpus');
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const OUT = path.join(ROOT, 'build/web');

// A JPEG with a maker note, GPS and a thumbnail; a HEIC with GPS, altitude,
// direction and a warning; a PNG with a maker note, which the browser shows itself.
const PHOTOS = ['gps/DSCN0010.jpg', 'formats/camera/exifr-heic-iphone.heic', 'formats/camera/exiv2-imagemagick.png'].map(
  (name) => path.join(CORPUS, name),
);
const DAMAGED = path.join(CORPUS, 'exiv2-suite/issue_1912_poc.jpg'); // Exif read, then an invalid JPEG
const EMPTY_PNG = path.join(CORPUS, 'formats/camera/exiv2-1343_empty.png'); // a PNG without Exif

async function loadPuppeteer() {
  try {
    const resolved = createRequire(path.join(ROOT, 'package.json')).resolve('puppeteer-core');
    const module = await import(pathToFileURL(resolved).href);
    return module.default || module;
  } catch {
    return null;
  }
}

const puppeteer = await loadPuppeteer();
const skip =
  (!fs.existsSync(CHROMIUM) && `no Chromium at ${CHROMIUM}`) ||
  (!puppeteer && 'puppeteer-core is not installed (npm install at the repository root)') ||
  (!fs.existsSync(path.join(ROOT, 'wasm/dist/exifkit.wasm')) && 'wasm/dist/exifkit.wasm is not built (make wasm)') ||
  (!fs.existsSync(COMMAND) && `no command at ${COMMAND} (make build)`) ||
  (![...PHOTOS, DAMAGED, EMPTY_PNG].every((f) => fs.existsSync(f)) && `corpus files missing under ${CORPUS}`) ||
  false;

// The command exits with 1 for a file without Exif data: its output still stands.
function run(...args) {
  const { status, stdout, stderr } = spawnSync(COMMAND, args, { encoding: 'utf8' });
  assert.ok(status === 0 || status === 1, `exifkit ${args.join(' ')}: ${stderr}`);
  return stdout;
}

function command(file) {
  return JSON.parse(run('-J', file));
}

// The command's own text output with every group: {Camera: ["Name: text", ...], ...}.
function commandGroups(file) {
  const groups = {};
  let current = null;
  for (const line of run('-a', file).split('\n')) {
    if (!line) continue;
    if (line.startsWith('  ')) groups[current].push(line.slice(2));
    else groups[(current = line.replace(/:$/, ''))] = [];
  }
  return Object.fromEntries(Object.entries(groups).filter(([, rows]) => rows.length));
}

// The exposure line from the command's numbers, written out independently of the page.
function expectedExposure(s) {
  const [n, d] = s.exposure_time;
  assert.equal(n, 1, 'the chosen photos have exposures of 1/x s');
  return `1/${d} s · f/${s.f_number} · ISO ${s.iso} · ${s.focal_length} mm`;
}

// A static server for the repository root, on the loopback only.
const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.json': 'application/json', '.wasm': 'application/wasm', '.png': 'image/png',
  '.jpg': 'image/jpeg', '.svg': 'image/svg+xml', '.txt': 'text/plain; charset=utf-8',
};

function serve(root) {
  const server = http.createServer((req, res) => {
    const pathname = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    let file = path.join(root, pathname);
    if (file !== root && !file.startsWith(root + path.sep)) return void res.writeHead(403).end();
    if (pathname.endsWith('/')) file = path.join(file, 'index.html');
    else if (fs.existsSync(file) && fs.statSync(file).isDirectory())
      return void res.writeHead(301, { Location: `${pathname}/` }).end();
    fs.readFile(file, (error, body) => {
      if (error) return void res.writeHead(404).end();
      res.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'X-Content-Type-Options': 'nosniff',
        'Cache-Control': 'no-store',
      });
      res.end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

describe('viewer page in Chromium', { skip }, () => {
  let server;
  let origin;
  let browser;
  let temp;

  before(async () => {
    server = await serve(ROOT);
    origin = `http://127.0.0.1:${server.address().port}`;
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      args: ['--no-sandbox', '--disable-dev-shm-usage', '--no-first-run', '--disable-background-networking'],
    });
    // Granted before any page opens: a prompt would never be answered.
    await browser.defaultBrowserContext().overridePermissions(origin, ['clipboard-read', 'clipboard-write']);
    temp = fs.mkdtempSync(path.join(os.tmpdir(), 'exifkit-web-'));
  });

  after(async () => {
    await browser?.close();
    server?.close();
    if (temp) fs.rmSync(temp, { recursive: true, force: true });
  });

  // A fresh page, every request and every complaint it makes recorded.
  async function open() {
    const page = await browser.newPage();
    const requests = [];
    const problems = [];
    page.on('request', (request) => requests.push(request.url()));
    page.on('console', (message) => {
      if (message.type() === 'error' || message.type() === 'warn') problems.push(message.text());
    });
    page.on('pageerror', (error) => problems.push(error.message));
    await page.setViewport({ width: 1200, height: 900 });
    // Focused, as a page a person uses: the clipboard and the file picker want it.
    await page.bringToFront();
    await page.goto(`${origin}/web/`, { waitUntil: 'load' });
    // The worker says so once the module is loaded.
    await page.waitForFunction(() => /\d/.test(document.getElementById('version').textContent), { timeout: 20000 });
    return { page, requests, problems };
  }

  async function upload(page, files) {
    const before = await page.$$eval('#cards > li', (cards) => cards.length);
    await (await page.$('#files')).uploadFile(...files);
    return settled(page, before + files.length);
  }

  async function settled(page, count) {
    await page.waitForFunction(
      (n) => document.querySelectorAll('#cards > li:not([data-state="reading"])').length === n && document.getElementById('cards').dataset.firstCardMs,
      { timeout: 60000 },
      count,
    );
    return Number(await page.$eval('#cards', (list) => list.dataset.firstCardMs));
  }

  function cards(page) {
    return page.$$eval('#cards > li', (lis) =>
      lis.map((li) => {
        const text = (selector) => li.querySelector(selector)?.textContent ?? null;
        return {
          title: text('.card-title'),
          state: li.dataset.state,
          kind: li.dataset.kind ?? null,
          make: text('.camera .make'),
          model: text('.camera .model'),
          lens: text('.lens dd'),
          exposure: text('.exposure dd'),
          coordinates: text('.position .coordinates'),
          position: text('.position dd'),
          map: li.querySelector('.position a')?.href ?? null,
          mapRel: li.querySelector('.position a')?.rel ?? null,
          notice: text('.notice'),
          image: (() => {
            const img = li.querySelector('.preview img');
            return img && img.getAttribute('src');
          })(),
          placeholder: text('.preview .placeholder'),
          groups: Object.fromEntries(
            [...li.querySelectorAll('details.group')].map((group) => [
              group.querySelector('.group-name').textContent,
              [...group.querySelectorAll('tbody tr')].map((tr) => `${tr.querySelector('th').textContent}: ${tr.querySelector('td.text').textContent}`),
            ]),
          ),
          warnings: [...li.querySelectorAll('.warnings li')].map((w) => w.textContent),
        };
      }),
    );
  }

  test('three photos: each card shows what the command reads', async (t) => {
    const { page, requests, problems } = await open();
    const firstCard = await upload(page, PHOTOS);
    t.diagnostic(`first card after ${firstCard} ms (3 files)`);
    // The JPEG's embedded thumbnail decodes (images load lazily, and after the card).
    await page.waitForFunction(() => document.querySelector('#cards > li:first-child .preview img')?.naturalWidth > 0, { timeout: 10000 });

    const shown = await cards(page);
    assert.equal(shown.length, PHOTOS.length);
    PHOTOS.forEach((file, i) => {
      const md = command(file);
      const s = md.summary;
      const card = shown[i];
      const label = path.basename(file);
      assert.equal(card.title, label);
      assert.equal(card.state, 'done', label);
      assert.equal(card.kind, null, `${label}: ${card.notice}`);
      assert.equal(card.make, s.make, label);
      assert.equal(card.model, s.model, label);
      assert.equal(card.lens, s.lens ?? null, label);
      assert.equal(card.exposure, expectedExposure(s), label);

      if (s.gps) {
        const [lat, lon] = card.coordinates.split(', ').map(Number);
        assert.ok(Math.abs(lat - s.gps.latitude) <= 5e-7 && Math.abs(lon - s.gps.longitude) <= 5e-7, `${label}: ${card.coordinates}`);
        const link = new URL(card.map);
        assert.equal(link.origin, 'https://www.openstreetmap.org');
        assert.equal(Number(link.searchParams.get('mlat')), lat);
        assert.equal(Number(link.searchParams.get('mlon')), lon);
        assert.match(card.mapRel, /noopener/);
        assert.match(card.mapRel, /noreferrer/);
        if (s.gps.altitude !== undefined) assert.match(card.position, new RegExp(`altitude ${s.gps.altitude.toFixed(1).replace(/\.0$/, '')} m`));
      } else {
        assert.equal(card.position, null, label);
      }

      // Every property, maker notes included, in the command's groups and order.
      assert.deepEqual(Object.entries(card.groups), Object.entries(commandGroups(file)), label);
      assert.deepEqual(card.warnings, md.warnings.map((w) => (w.detail ? `${w.message}: ${w.detail}` : w.message)), label);
    });
    // The JPEG shows its embedded thumbnail, the PNG itself, the HEIC its format.
    assert.match(shown[0].image, /^blob:/);
    assert.match(shown[2].image, /^blob:/);
    assert.equal(shown[1].image, null);
    assert.equal(shown[1].placeholder, 'HEIF');
    assert.ok(shown[0].groups.Image.includes('Focus Mode: AF-S'), 'the Nikon maker note is shown');

    // The filter works across cards and counts what it leaves.
    await page.type('#filter', 'iso');
    await page.waitForFunction(() => document.getElementById('filter-count').textContent !== '');
    const visible = await page.$$eval('#cards tbody tr:not([hidden])', (rows) => rows.map((tr) => tr.textContent.toLowerCase()));
    const matching = PHOTOS.flatMap((f) => command(f).properties).filter((p) =>
      `${p.name}\n${p.text}\n${p.key}\n${p.directory}`.toLowerCase().includes('iso'),
    );
    assert.equal(visible.length, matching.length);
    assert.ok(visible.length > 0 && visible.every((row) => row.includes('iso')));
    await page.$eval('#filter', (input) => {
      input.value = '';
      input.dispatchEvent(new Event('input'));
    });
    await page.waitForFunction(() => document.getElementById('filter-count').textContent === '');

    // "Copy JSON" on a card gives the command's object for that file.
    // Cards off screen are not laid out (content-visibility): brought into
    // view first, the button is where the click lands.
    await page.$eval('#cards > li:nth-child(2) .card-actions button', (b) => b.scrollIntoView({ block: 'center' }));
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    await page.click('#cards > li:nth-child(2) .card-actions button');
    await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('Copied'));
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    assert.deepEqual(JSON.parse(copied), { ...command(PHOTOS[1]), file: path.basename(PHOTOS[1]) });

    // "Download all" gives the command's lines for the same files.
    const downloads = fs.mkdtempSync(path.join(temp, 'downloads-'));
    const cdp = await browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
    const finished = new Promise((resolve) => cdp.on('Browser.downloadProgress', (e) => e.state !== 'inProgress' && resolve(e.state)));
    await page.click('#download-all');
    assert.equal(await finished, 'completed');
    const lines = fs.readFileSync(path.join(downloads, 'exifkit-3-files.jsonl'), 'utf8').trimEnd().split('\n').map((line) => JSON.parse(line));
    assert.deepEqual(lines, PHOTOS.map((f) => ({ ...command(f), file: path.basename(f) })));

    // Nothing but the local server was asked for anything; the worker's
    // requests are among those seen, so they were watched too.
    const foreign = requests.filter((url) => !url.startsWith(`${origin}/`) && !/^(blob|data):/.test(url));
    assert.deepEqual(foreign, []);
    assert.ok(requests.some((url) => url.endsWith('/web/reader-worker.js')));
    assert.ok(requests.some((url) => url.endsWith('/wasm/dist/exifkit.wasm')));
    assert.deepEqual(problems, [], 'no errors or CSP violations in the console');

    fs.mkdirSync(OUT, { recursive: true });
    await page.evaluate(() => window.scrollTo(0, 0));
    await page.screenshot({ path: path.join(OUT, 'viewer.png') });
    await page.close();
  });

  test('a dropped text file is not a photo; a damaged photo shows what was read', async () => {
    const { page, problems } = await open();
    const notes = path.join(temp, 'notes.txt');
    fs.writeFileSync(notes, 'shopping list: film, batteries\n');
    await page.evaluate(
      (name, text) => {
        const data = new DataTransfer();
        data.items.add(new File([text], name, { type: 'text/plain' }));
        document.getElementById('drop').dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
      },
      path.basename(notes),
      fs.readFileSync(notes, 'utf8'),
    );
    await settled(page, 1);
    // The drop zone is a button: Enter on it opens the file picker.
    await page.focus('#drop');
    const choosing = page.waitForFileChooser({ timeout: 5000 });
    await page.evaluate(() => 0); // a round trip: the picker is intercepted from here on
    await page.keyboard.press('Enter');
    const chooser = await choosing;
    assert.ok(chooser.isMultiple());
    await chooser.accept([DAMAGED, EMPTY_PNG]);
    await settled(page, 3);

    const [text, damaged, empty] = await cards(page);
    assert.equal(text.kind, 'not-photo');
    assert.match(text.notice, /not a photo/i);
    assert.match(text.notice, /unknown file format/);
    assert.deepEqual(text.groups, {});

    const md = command(DAMAGED);
    assert.equal(damaged.kind, 'damaged');
    assert.match(damaged.notice, /damaged.*what could be read/);
    assert.equal(damaged.make, md.summary.make);
    assert.deepEqual(Object.entries(damaged.groups), Object.entries(commandGroups(DAMAGED)));
    assert.equal(damaged.warnings.length, md.warnings.length);

    assert.equal(empty.kind, 'no-metadata');
    assert.match(empty.notice, /PNG file holds no camera metadata/);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('first card of a 10 MB JPEG, and of 100 files at once', async (t) => {
    // Padded after the end of the image: a JPEG reader stops at its end
    // marker, and exifkit reads the head alone.
    const big = path.join(temp, 'padded-10MB.jpg');
    fs.copyFileSync(PHOTOS[0], big);
    fs.truncateSync(big, 10 * 1024 * 1024);
    const { page } = await open();
    const firstBig = await upload(page, [big]);
    const [card] = await cards(page);
    assert.equal(card.model, command(PHOTOS[0]).summary.model);
    t.diagnostic(`first card after ${firstBig} ms (one 10 MB JPEG)`);

    // A hundred files: the page's thread must stay free while the worker reads.
    const many = Array.from({ length: 100 }, (_, i) => {
      const copy = path.join(temp, `photo-${String(i).padStart(3, '0')}${path.extname(PHOTOS[i % 3])}`);
      fs.copyFileSync(PHOTOS[i % 3], copy);
      return copy;
    });
    await page.evaluate(() => {
      window.longestTask = 0;
      new PerformanceObserver((list) => {
        for (const entry of list.getEntries()) window.longestTask = Math.max(window.longestTask, entry.duration);
      }).observe({ type: 'longtask' });
      window.batchStart = performance.now();
    });
    const firstMany = await upload(page, many);
    const [all, longest] = await page.evaluate(() => [performance.now() - window.batchStart, window.longestTask]);
    assert.equal(await page.$$eval('#cards > li[data-state="done"]', (lis) => lis.length), 101);
    const tasks = longest ? `longest main-thread task ${longest.toFixed(0)} ms` : 'no main-thread task over 50 ms';
    const line = `first card after ${firstMany} ms, all 100 after ${all.toFixed(0)} ms, ${tasks} (100 files)`;
    t.diagnostic(line);
    await page.close();
  });
});

// The page's formatting, in Node: the cases the three photos above do not reach.
describe('viewer formatting', () => {
  test('exposure time: 1/x below a second, seconds above', () => {
    const cases = [
      [[1, 160], '1/160 s'], [[10, 1600], '1/160 s'], [[10, 13], '1/1.3 s'], [[3, 1000], '1/333 s'],
      [[1, 1], '1 s'], [[2, 1], '2 s'], [[13, 10], '1.3 s'], [[300, 10], '30 s'],
      [[0, 1], null], [[1, 0], null], [undefined, null],
    ];
    for (const [value, text] of cases) assert.equal(viewer.formatExposureTime(value), text, JSON.stringify(value));
  });

  test('exposure line leaves out what the file lacks', () => {
    assert.equal(viewer.formatExposure({ exposure_time: [1, 160], f_number: 7.1, iso: 100, focal_length: 135 }), '1/160 s · f/7.1 · ISO 100 · 135 mm');
    assert.equal(viewer.formatExposure({ f_number: 2.8, focal_length: 4.2500001 }), 'f/2.8 · 4.25 mm');
    assert.equal(viewer.formatExposure({}), '');
  });

  test('capture date keeps the recorded time and its offset', () => {
    assert.deepEqual(viewer.captureDate({ datetime_original: '2019-10-20T18:34:30+02:00', datetime_modified: '2020-01-01T00:00:00' }), {
      label: 'Taken', iso: '2019-10-20T18:34:30+02:00', text: '2019-10-20 18:34:30 +02:00',
    });
    assert.equal(viewer.captureDate({ datetime_digitized: '2008-10-23T14:27:07.24Z' }).text, '2008-10-23 14:27:07 UTC');
    assert.equal(viewer.captureDate({ datetime_modified: '2008-11-01T21:15:07' }).label, 'Modified');
    assert.equal(viewer.captureDate({}), null);
  });

  test('position: signed degrees, a map link only with both', () => {
    const p = viewer.formatPosition({ latitude: -33.8567844, longitude: 151.2152967, altitude: -1.16, direction: 359.7 });
    assert.equal(p.coordinates, '-33.856784, 151.215297');
    assert.deepEqual(p.extras, ['altitude -1.2 m', 'facing 0°']);
    assert.equal(p.link, 'https://www.openstreetmap.org/?mlat=-33.856784&mlon=151.215297#map=15/-33.856784/151.215297');
    assert.deepEqual(viewer.formatPosition({ latitude: 10 }), { coordinates: 'latitude 10.000000', extras: [], link: null });
    assert.equal(viewer.formatPosition({ timestamp: '2008-10-23T14:27:07Z' }), null);
  });

  test('outcome of a read', () => {
    const md = (result, format, error, properties = 0) => ({ result, format, error, properties: Array(properties).fill({}) });
    const kind = (m) => viewer.describeOutcome(m)?.kind ?? null;
    assert.equal(kind(md(0, 'jpeg', null, 5)), null);
    assert.equal(kind(md(2, null, 'Error: unknown file format (reads JPEG)')), 'not-photo');
    assert.equal(viewer.describeOutcome(md(2, null, 'Error: unknown file format (x)')).detail, 'unknown file format (x)');
    assert.equal(kind(md(1, null, 'Error: empty file')), 'unreadable');
    assert.equal(kind(md(2, 'png', null)), 'no-metadata');
    assert.equal(kind(md(2, 'jpeg', 'Error: invalid JPEG format')), 'failed');
    assert.equal(kind(md(2, 'jpeg', 'Error: invalid JPEG format', 49)), 'damaged');
    assert.equal(kind(md(3, 'tiff', 'Error: read failed', 12)), 'damaged');
    assert.match(viewer.describeOutcome(md(4, 'jpeg', null, 3)).message, /memory/);
  });
});
