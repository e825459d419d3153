// What a student sees of the web page's speed, measured in headless Debian chromium with the
// pages interleaved in one browser session:
// - an edit to the painted frame, one edit per frame: the receiver key (one chart changes) and
//   channel A's character, at spreading factors 2, 8 and 20, against a peer page that draws the
//   same four charts with the same eleven step traces at the same sizes with uPlot;
// - a cold load to the first picture (performance mark 'dscdma-first-picture') against a floor
//   page that only compiles the same module and draws one canvas, and against the page's own
//   content with that floor's script in place of the page's scripts (what showing the page's
//   document and style costs, before any script of the page runs), on the loopback and on a
//   throttled connection (150 ms latency, 1.6 Mbit/s) with and without compression;
// - what the browser downloads, and the memory after 5,000 edits.
// A measurement, not a test: it fails only when a page does not run. bench/web/bench.sh installs
// what it needs and runs it:
//   bench/web/bench.sh SITE
// Counts: DSCDMA_BENCH_EDITS (edits timed per page, kind and factor; default 400),
// DSCDMA_BENCH_LOADS (default 20), DSCDMA_BENCH_THROTTLED (throttled loads per page and way;
// default 10), DSCDMA_BENCH_MEMORY (edits before the memory is read; default 5000).
// DSCDMA_BENCH_KEEP=1 keeps the served folder (the pages with the peer's data) for a closer look.
// DSCDMA_BENCH_ONLY=loads times only the loads (and reads the sizes): no peer data, edits or memory.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';
import { startServer } from '../../tests/web/support/server.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const site = process.argv[2];
if (!site || !fs.existsSync(path.join(site, 'index.html'))) {
  console.error('usage: node bench/web/bench.mjs SITE (a folder written by scripts/build-web.sh)');
  process.exit(2);
}
const deps = process.env.DSCDMA_BENCH_DEPS;
if (!deps) {
  console.error('DSCDMA_BENCH_DEPS names the folder where npm installed bench/web/package.json');
  process.exit(2);
}
const requireDep = createRequire(path.resolve(deps, 'package.json'));
const { chromium } = requireDep('playwright-core');
const count = (name, fallback) => Number(process.env[name] || fallback);
const Edits = count('DSCDMA_BENCH_EDITS', 400);
const Loads = count('DSCDMA_BENCH_LOADS', 20);
const ThrottledLoads = count('DSCDMA_BENCH_THROTTLED', 10);
const OnlyLoads = process.env.DSCDMA_BENCH_ONLY === 'loads';
const MemoryEdits = OnlyLoads ? 0 : count('DSCDMA_BENCH_MEMORY', 5000);
const Blocks = 4; // each page opened this often per factor, alternating which goes first
const Factors = [2, 8, 20];
const Throttle = { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 1.6e6 / 8 };

const sorted = (values) => [...values].sort((x, y) => x - y);
const quantile = (values, q) => {
  const s = sorted(values);
  return s[Math.min(s.length - 1, Math.floor(q * s.length))];
};
const median = (values) => {
  const s = sorted(values);
  const mid = s.length >> 1;
  return s.length % 2 ? s[mid] : (s[mid - 1] + s[mid]) / 2;
};

// ---------------------------------------------------------------------------------------------
// The served folder: the site with the peer and floor pages beside it, every text file also
// compressed (a site from before scripts/build-web.sh compressed gets the same treatment).

function prepareFolder() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'dscdma-bench-'));
  fs.cpSync(site, folder, { recursive: true });
  for (const file of fs.readdirSync(path.join(here, 'pages')))
    fs.copyFileSync(path.join(here, 'pages', file), path.join(folder, file));
  const uplot = path.dirname(requireDep.resolve('uplot/package.json'));
  for (const file of ['uPlot.iife.min.js', 'uPlot.min.css'])
    fs.copyFileSync(path.join(uplot, 'dist', file), path.join(folder, file));
  fs.writeFileSync(path.join(folder, 'content.html'), contentPage());
  return folder;
}

// The page's document as it stands, with the floor's script in place of the page's first script
// and none of the others.
function contentPage() {
  const floor = fs.readFileSync(path.join(here, 'pages', 'floor.html'), 'utf8').match(/<script>[\s\S]*?<\/script>/)[0];
  let html = fs.readFileSync(path.join(site, 'index.html'), 'utf8');
  const scripts = html.match(/<script\b[\s\S]*?<\/script>\n?/g) || [];
  if (!scripts.some((s) => s.includes('dscdma-page.js')))
    throw new Error(`${site}/index.html: the page's script was not found, so its content page cannot be made`);
  scripts.forEach((s, k) => { html = html.replace(s, () => (k === 0 ? floor + '\n' : '')); });
  return html;
}

function compressFolder(folder) {
  for (const entry of fs.readdirSync(folder, { recursive: true })) {
    const file = path.join(folder, entry);
    if (!/\.(html|js|css|wasm|itl|svg|json|webmanifest)$/.test(file) || !fs.statSync(file).isFile())
      continue;
    const bytes = fs.readFileSync(file);
    if (!fs.existsSync(file + '.gz'))
      fs.writeFileSync(file + '.gz', zlib.gzipSync(bytes, { level: 9 }));
    if (!fs.existsSync(file + '.br'))
      fs.writeFileSync(file + '.br', zlib.brotliCompressSync(bytes, {
        params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11, [zlib.constants.BROTLI_PARAM_SIZE_HINT]: bytes.length },
      }));
  }
}

// The project's own server, which sends the compressed files; its first line names its address.
async function startCompressingServer(folder) {
  const child = spawn('python3', [path.join(here, '../../scripts/serve-web.py'), '--quiet', '--port', '0', folder],
    { stdio: ['ignore', 'pipe', 'inherit'] });
  const origin = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('scripts/serve-web.py did not start within 10 s')), 10000);
    child.stdout.on('data', (chunk) => {
      text += chunk;
      const found = text.match(/http:\/\/127\.0\.0\.1:\d+/);
      if (found) {
        clearTimeout(timer);
        resolve(found[0]);
      }
    });
    child.once('exit', (code) => reject(new Error('scripts/serve-web.py ended with ' + code)));
  });
  return { origin, close: () => child.kill() };
}

// ---------------------------------------------------------------------------------------------
// In the page

// Times each edit from its event to the end of the frame that paints it, less the wait for that
// frame to begin: the handler's task to its end (its microtasks, and what the browser does as it
// ends, such as flushing a canvas drawn in it), plus the frame's own work (the page's frame
// callbacks, style, layout, paint and the canvases' drawing). The task's end is when a message
// posted from it arrives, unless the frame comes first. A frame passes between edits. `edits` are
// [fieldId, event type, value].
function timeEdits(edits) {
  const channel = new MessageChannel();
  const taskEnd = new MessageChannel();
  const afterFrame = () => new Promise((resolve) => requestAnimationFrame(() => {
    channel.port1.onmessage = () => resolve();
    channel.port2.postMessage(0);
  }));
  const dispatch = ([id, type, value]) => {
    const field = document.getElementById(id);
    if (type === 'beforeinput') {
      field.dispatchEvent(new InputEvent('beforeinput', { inputType: 'insertText', data: value, bubbles: true, cancelable: true }));
    } else {
      field.value = value;
      field.dispatchEvent(new Event('input', { bubbles: true }));
    }
  };
  return (async () => {
    const out = [];
    for (const edit of edits) {
      await afterFrame();
      let frameStart = 0;
      let ended = 0;
      taskEnd.port1.onmessage = () => { ended = performance.now(); };
      requestAnimationFrame(() => { frameStart = performance.now(); });
      const start = performance.now();
      dispatch(edit);
      taskEnd.port2.postMessage(0);
      await afterFrame();
      const handled = ended && ended < frameStart ? ended : frameStart;
      out.push(handled - start + performance.now() - frameStart);
    }
    return out;
  })();
}

const Kinds = {
  receiver: (n) => Array.from({ length: n }, (_, i) => ['keyRx', 'input', i % 2 ? '23' : '44']),
  character: (n) => Array.from({ length: n }, (_, i) => ['charA', 'beforeinput', i % 2 ? 'Z' : 'q']),
};

async function openReady(browser, url, { throttle = false, viewport = { width: 1000, height: 800 } } = {}) {
  const context = await browser.newContext({ viewport });
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') problems.push(m.text()); });
  if (throttle) {
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions', Throttle);
  }
  try {
    await page.goto(url, { waitUntil: 'commit', timeout: 30000 });
    // Polled from the commit on, when the new document may have no element yet.
    await page.waitForFunction(() => document.documentElement?.dataset.state === 'ready' &&
      performance.getEntriesByName('dscdma-first-picture').length > 0, null, { timeout: 30000, polling: 50 });
  } catch (error) {
    await context.close();
    throw error;
  }
  if (problems.length)
    throw new Error(url + ': ' + problems.join('\n'));
  return page;
}

// The traces of our page for one set of inputs, read from its table of the traces.
async function tracesOf(browser, origin, sf, a, keyRx) {
  const page = await openReady(browser, `${origin}/index.html?sf=${sf}&a=${a}&keyRx=${keyRx}`);
  await page.click('#table');
  await page.waitForFunction(() => document.querySelectorAll('#traces tbody').length === 4, null, { timeout: 10000 });
  const charts = await page.evaluate(() => [...document.querySelectorAll('#traces tbody')].map((body) =>
    [...body.rows].slice(1).map((tr) => ({
      letter: tr.cells[0].textContent[0],
      values: [...tr.cells].slice(1).flatMap((c) => c.textContent.trim().split(/\s+/).map(Number)),
    }))));
  const extra = await page.evaluate(() => ({
    received: document.getElementById('received').textContent,
    captions: ['rca', 'rcb', 'rcc', 'rcd'].map((id) => document.getElementById(id).getAttribute('aria-label')),
    sizes: ['rca', 'rcb', 'rcc', 'rcd'].map((id) => {
      const c = document.getElementById(id);
      return [c.clientWidth, c.clientHeight];
    }),
  }));
  await page.context().close();
  return { charts, ...extra };
}

// The peer's data: per factor the charts, and per set of inputs the arrays of each chart (x and
// one band per trace, a data trace held over its bit's chips), the same arrays shared.
async function peerData(browser, origin) {
  const out = {};
  for (const sf of Factors) {
    const arrays = [];
    const index = new Map();
    const sets = {};
    const received = {};
    let charts = null;
    for (const a of ['Z', 'q']) {
      for (const keyRx of ['23', '44']) {
        const t = await tracesOf(browser, origin, sf, a, keyRx);
        const n = 8 * sf;
        const x = Array.from({ length: n + 1 }, (_, i) => i);
        const key = [a, 'W', '23', '44', keyRx].join('|');
        sets[key] = t.charts.map((traces) => {
          const rows = traces.map(({ values }, k) => {
            const chips = values.length === n ? values : values.flatMap((v) => Array(sf).fill(v));
            const scale = Math.max(1, ...chips.map(Math.abs));
            const band = traces.length - 1 - k;
            const y = chips.map((v) => band + 0.4 * v / scale);
            return y.concat(y[y.length - 1]);
          });
          const data = [x, ...rows];
          const text = JSON.stringify(data);
          if (!index.has(text)) {
            index.set(text, arrays.length);
            arrays.push(data);
          }
          return index.get(text);
        });
        received[key] = t.received;
        charts = charts || t.charts.map((traces, i) => ({
          caption: t.captions[i], width: t.sizes[i][0], height: t.sizes[i][1], traces: traces.map((r) => r.letter),
        }));
      }
    }
    out[sf] = { charts, arrays, sets, received, first: 'Z|W|23|44|23' };
  }
  return out;
}

// ---------------------------------------------------------------------------------------------

async function updates(browser, origin) {
  const results = {}; // page -> kind -> sf -> times
  const pages = { page: (sf) => `/index.html?sf=${sf}`, uplot: (sf) => `/uplot.html?sf=${sf}` };
  for (const sf of Factors) {
    for (let block = 0; block < Blocks; ++block) {
      const order = block % 2 ? ['uplot', 'page'] : ['page', 'uplot'];
      for (const name of order) {
        const page = await openReady(browser, origin + pages[name](sf));
        for (const [kind, edits] of Object.entries(Kinds)) {
          await page.evaluate(timeEdits, edits(40)); // warm: compiled, caches filled
          const times = await page.evaluate(timeEdits, edits(Math.ceil(Edits / Blocks / 2) * 2));
          const into = ((results[name] ??= {})[kind] ??= {});
          (into[sf] ??= []).push(...times);
        }
        const received = await page.evaluate(() => document.getElementById('received').textContent);
        if (received !== 'Z')
          throw new Error(`${name} at ${sf}: received ${received} after the edits, not Z`);
        await page.context().close();
      }
    }
  }
  return results;
}

const LoadPages = { page: 'index', content: 'content', floor: 'floor' };

// A load that shows no picture within the bound is counted apart, not timed.
async function loads(browser, origins, count, throttle) {
  const times = { page: [], content: [], floor: [], stuck: 0 };
  const names = Object.keys(LoadPages);
  for (let i = 0; i < count; ++i) {
    // Each page first, second and last in turn.
    for (const name of names.map((_, k) => names[(i + k) % names.length])) {
      let page = null;
      try {
        page = await openReady(browser, `${origins}/${LoadPages[name]}.html`, { throttle });
        times[name].push(await page.evaluate(() => performance.getEntriesByName('dscdma-first-picture')[0].startTime));
      } catch (error) {
        if (error.name !== 'TimeoutError')
          throw error;
        ++times.stuck;
      }
      await page?.context().close();
    }
  }
  return times;
}

// Receiver-key edits, one per frame, untimed. The memory is read after these rather than after
// timeEdits: with its timing the heap grows by some 100 bytes per edit on any page, the peer's
// too, which is the timing's and not the page's.
function keyEdits(count) {
  const field = document.getElementById('keyRx');
  const frame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  return (async () => {
    for (let i = 0; i < count; ++i) {
      await frame();
      field.value = i % 2 ? '23' : '44';
      field.dispatchEvent(new Event('input', { bubbles: true }));
    }
    await frame();
  })();
}

async function memory(browser, origin) {
  const page = await openReady(browser, origin + '/index.html?sf=20');
  const cdp = await page.context().newCDPSession(page);
  const heap = async () => {
    await cdp.send('HeapProfiler.collectGarbage');
    return cdp.send('Runtime.getHeapUsage');
  };
  await page.evaluate(keyEdits, 200);
  const before = await heap();
  await page.evaluate(keyEdits, MemoryEdits);
  const after = await heap();
  await page.evaluate(keyEdits, MemoryEdits);
  const twice = await heap();
  await page.context().close();
  return { before, after, twice };
}

function sizes() {
  const out = {};
  for (const file of ['dscdma.wasm', 'dscdma.js', 'dscdma-page.js', 'dscdma.css', 'index.html']) {
    const full = path.join(site, file);
    if (!fs.existsSync(full))
      continue;
    const bytes = fs.readFileSync(full);
    out[file] = {
      bytes: bytes.length,
      gzip: zlib.gzipSync(bytes, { level: 9 }).length,
      brotli: zlib.brotliCompressSync(bytes, { params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11 } }).length,
    };
  }
  return out;
}

const ms = (v) => v.toFixed(2);
const folder = prepareFolder();
// Isolated from other origins, so that the pages' clock is fine enough for single edits.
const plain = await startServer(folder, {}, { 'Cross-Origin-Opener-Policy': 'same-origin', 'Cross-Origin-Embedder-Policy': 'require-corp' });
const browser = await chromium.launch({
  executablePath: process.env.DSCDMA_CHROMIUM || '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  headless: true,
});
let compressing = null;
try {
  if (!OnlyLoads)
    fs.writeFileSync(path.join(folder, 'bench-data.json'), JSON.stringify(await peerData(browser, plain.origin)));
  compressFolder(folder);
  compressing = await startCompressingServer(folder);
  const load = os.loadavg();
  console.log(`site ${site}; load average at the start ${load.map((l) => l.toFixed(2)).join(' ')}; ${os.cpus().length} cores`);

  if (!OnlyLoads) {
    const u = await updates(browser, plain.origin);
    console.log('\nAn edit to the painted frame (ms; median, 90th and 99th percentile; one edit per frame):');
    console.log('| edit | SF | page median | p90 | p99 | uPlot median | p90 | p99 | page / uPlot |');
    console.log('|---|---|---|---|---|---|---|---|---|');
    for (const kind of Object.keys(Kinds)) {
      for (const sf of Factors) {
        const p = u.page[kind][sf];
        const q = u.uplot[kind][sf];
        console.log(`| ${kind} | ${sf} | ${ms(median(p))} | ${ms(quantile(p, 0.9))} | ${ms(quantile(p, 0.99))} | ` +
          `${ms(median(q))} | ${ms(quantile(q, 0.9))} | ${ms(quantile(q, 0.99))} | ${(median(p) / median(q)).toFixed(2)} |`);
      }
    }
  }

  const ways = [
    ['loopback, compressed', compressing.origin, Loads, false],
    ['throttled, compressed', compressing.origin, ThrottledLoads, true],
    ['throttled, uncompressed', plain.origin, ThrottledLoads, true],
  ];
  console.log('\nCold load to the first picture (ms; median, min, max). The content page is the page\'s document');
  console.log('with the floor\'s script in place of its own:');
  console.log('| connection | loads | page median | min | max | content median | min | max | floor median | min | max | ' +
    'page / floor | content / floor | page / content |');
  console.log('|---|---|---|---|---|---|---|---|---|---|---|---|---|---|');
  for (const [name, origin, n, throttle] of ways) {
    if (!n)
      continue;
    const t = await loads(browser, origin, n, throttle);
    const row = (v) => `${median(v).toFixed(0)} | ${Math.min(...v).toFixed(0)} | ${Math.max(...v).toFixed(0)}`;
    const ratio = (a, b) => (median(a) / median(b)).toFixed(2);
    console.log(`| ${name} | ${n}${t.stuck ? ` (${t.stuck} stuck)` : ''} | ${row(t.page)} | ${row(t.content)} | ` +
      `${row(t.floor)} | ${ratio(t.page, t.floor)} | ${ratio(t.content, t.floor)} | ${ratio(t.page, t.content)} |`);
  }

  if (MemoryEdits) {
    const m = await memory(browser, plain.origin);
    const mb = (v) => (v / 1048576).toFixed(2);
    console.log(`\nMemory after GC, before and after ${MemoryEdits} receiver-key edits: JS heap ` +
      `${mb(m.before.usedSize)} -> ${mb(m.after.usedSize)} MB (${m.after.usedSize >= m.before.usedSize ? '+' : ''}` +
      `${mb(m.after.usedSize - m.before.usedSize)} MB), after as many again ${mb(m.twice.usedSize)} MB`);
  }

  const s = sizes();
  const kb = (v) => (v / 1024).toFixed(1);
  console.log('\nWhat the browser downloads (KB; bytes, gzip -9, brotli -q 11):');
  for (const [file, v] of Object.entries(s))
    console.log(`  ${file}: ${kb(v.bytes)} / ${kb(v.gzip)} / ${kb(v.brotli)}`);
  const both = ['dscdma.wasm', 'dscdma.js'].filter((f) => s[f]);
  console.log(`  wasm + js: ${kb(both.reduce((t, f) => t + s[f].gzip, 0))} KB gzip -9, ` +
    `${kb(both.reduce((t, f) => t + s[f].brotli, 0))} KB brotli`);
  console.log(`\nload average at the end ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}`);
} finally {
  await browser.close();
  await plain.close();
  compressing?.close();
  if (process.env.DSCDMA_BENCH_KEEP)
    console.log(`the served folder is kept: ${folder}`);
  else
    fs.rmSync(folder, { recursive: true, force: true });
}
