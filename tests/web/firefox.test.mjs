// The same page in Debian's Firefox ESR, driven by puppeteer-core over WebDriver BiDi: the
// answers of the model, the narrow layout's sizes, axe-core, and the handshake at load.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';
import { site, query } from './support/site.mjs';
import { startServer } from './support/server.mjs';
import { nativeAnswer } from './support/native.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const deps = process.env.DSCDMA_WEB_DEPS || '';
const firefox = process.env.DSCDMA_FIREFOX || '/usr/bin/firefox-esr';
const skip = fs.existsSync(firefox) ? false : `no ${firefox} on this machine`;
const axeFile = path.join(deps, 'node_modules', 'axe-core', 'axe.min.js');

let server;
let textbook;
let browser;
before(async () => {
  if (skip)
    return;
  const puppeteer = createRequire(path.resolve(deps, 'package.json'))('puppeteer-core');
  server = await startServer(site);
  textbook = await startServer(path.join(here, 'support'));
  browser = await puppeteer.launch({
    browser: 'firefox', protocol: 'webDriverBiDi', executablePath: firefox, headless: true, timeout: 60000,
  });
});
after(async () => {
  await browser?.close();
  await server?.close();
  await textbook?.close();
});

// A page that notes exceptions and console errors, open at `search`, with the first picture.
async function opened(width, height, search = '') {
  const page = await browser.newPage();
  page.problems = [];
  page.on('pageerror', (e) => page.problems.push('exception: ' + e.message));
  page.on('console', (m) => { if (m.type() === 'error') page.problems.push('console: ' + m.text()); });
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument(() => {
    window.chartFonts = [];
    // Both kinds of context: the page draws its charts on offscreen canvases in some browsers.
    for (const proto of [CanvasRenderingContext2D.prototype, window.OffscreenCanvasRenderingContext2D?.prototype]) {
      const fill = proto?.fillText;
      if (!fill)
        continue;
      proto.fillText = function (text, ...rest) {
        if (!(this.canvas instanceof HTMLCanvasElement) || this.canvas.isConnected) // not the one for measuring
          window.chartFonts.push(this.font);
        return fill.call(this, text, ...rest);
      };
    }
  });
  await page.goto(server.origin + '/index.html' + search);
  await page.waitForFunction(() => document.documentElement.dataset.state === 'ready', { timeout: 30000 });
  await settled(page);
  return page;
}

function settled(page) {
  return page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
}

async function shown(page) {
  await settled(page);
  return page.evaluate(() => {
    // The receiver chart's ground, as its element shows it.
    const chart = document.getElementById('rcd');
    const copy = document.createElement('canvas');
    copy.width = chart.width;
    copy.height = chart.height;
    const g = copy.getContext('2d');
    g.drawImage(chart, 0, 0);
    return {
      received: document.getElementById('received').textContent,
      verdict: document.getElementById('verdict').textContent,
      ground: Array.from(g.getImageData(394, 25, 1, 1).data.slice(0, 3)).join(','),
    };
  });
}

test('Firefox: the page gives the native model\'s answers as keys are typed, and draws them', { skip }, async () => {
  const page = await opened(1280, 800);
  // The receiver chart in the colour of the channel it follows: 2, none, 1.
  const grounds = { 44: '249,235,193', 7: '255,255,255', 23: '221,221,255' };
  for (const keyRx of ['44', '7', '23']) {
    await page.evaluate(() => { const f = document.getElementById('keyRx'); f.focus(); f.select(); });
    await page.keyboard.type(keyRx);
    const s = await shown(page);
    const native = nativeAnswer({ keyRx });
    assert.equal(s.received, native.shown, keyRx);
    assert.equal(s.verdict, native.ok ? '' : 'Transmission Error', keyRx);
    assert.equal(s.ground, grounds[keyRx], keyRx);
  }
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('Firefox: the narrow layout at 390 px, texts of 12 px or more, charts at the full width', { skip }, async () => {
  const page = await opened(390, 844, query({ labels: 1 }));
  const m = await page.evaluate(() => {
    const sizes = [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let n = walker.nextNode(); n; n = walker.nextNode()) {
      const el = n.parentElement;
      if (n.textContent.trim() && el.getClientRects().length && !el.closest('.sr, [hidden], dialog:not([open])'))
        sizes.push(parseFloat(getComputedStyle(el).fontSize));
    }
    for (const font of window.chartFonts)
      sizes.push(parseFloat(/(\d+)px/.exec(font)[1]));
    const chart = document.getElementById('rca');
    return {
      smallest: Math.min(...sizes), charts: window.chartFonts.length,
      scroll: document.documentElement.scrollWidth - document.documentElement.clientWidth,
      chart: chart.getBoundingClientRect().width, room: document.getElementById('charts').clientWidth,
    };
  });
  assert.ok(m.charts > 0, 'chart texts were drawn');
  assert.ok(m.smallest >= 12, `smallest text ${m.smallest} px`);
  assert.equal(m.scroll, 0);
  assert.equal(m.chart, m.room);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('Firefox: axe-core finds no WCAG 2.2 A or AA violation, wide and narrow', { skip }, async () => {
  for (const [width, height] of [[1280, 800], [390, 844]]) {
    const page = await opened(width, height, query({ labels: 1 }));
    await page.addScriptTag({ content: fs.readFileSync(axeFile, 'utf8') });
    const violations = await page.evaluate(async () => {
      const tags = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'];
      const r = await window.axe.run(document, { runOnly: { type: 'tag', values: tags } });
      return r.violations.map((v) => v.id);
    });
    assert.deepEqual(violations, [], `${width} x ${height}`);
    await page.close();
  }
});

test('Firefox: a message sent at the frame\'s load event takes effect and its id comes back', { skip }, async () => {
  const page = await browser.newPage();
  const atLoad = JSON.stringify({ type: 'dscdma-set', keyRx: '44', id: 'at-load' });
  await page.goto(textbook.origin + '/parent.html?site=' + encodeURIComponent(server.origin + '/index.html') +
    '&atload=' + encodeURIComponent(atLoad));
  await page.waitForFunction(() => window.results.some((r) => r.data.id === 'at-load'), { timeout: 30000 });
  const answer = await page.evaluate(() => window.results.find((r) => r.data.id === 'at-load').data);
  assert.equal(answer.received, 'W');
  assert.equal(answer.inputs.keyRx, '44');
  await page.close();
});
