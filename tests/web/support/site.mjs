// One served site and one browser for a test file, and what its tests share.
import path from 'node:path';
import fs from 'node:fs';
import { startServer } from './server.mjs';
import { launch, watchedPage, openPage } from './browser.mjs';

export const site = process.env.DSCDMA_WEB_SITE;
if (!site || !fs.existsSync(path.join(site, 'index.html')))
  throw new Error('DSCDMA_WEB_SITE names a site built by scripts/build-web.sh');

// Where screenshots and other results of a run are kept.
export const artifacts = process.env.DSCDMA_WEB_ARTIFACTS || path.join(process.cwd(), 'web-artifacts');

export async function setUp(extra = {}) {
  const server = await startServer(site, extra);
  const browser = await launch();
  return {
    server,
    browser,
    async page(options = {}) {
      const context = await browser.newContext({ viewport: { width: 1000, height: 800 }, ...options });
      await context.addInitScript(chartHooks);
      return watchedPage(context);
    },
    open: openPage,
    async tearDown() {
      await browser.close();
      await server.close();
    },
  };
}

// An init script for reading the charts back. Where the page draws each chart on an offscreen
// canvas that the chart's element shows (in Chromium), the element has no context of its own.
// Such a canvas carries its element's id here, as the element does, and is kept in
// window.chartSurfaces. window.chartContext(id) is the context that a chart is drawn with;
// window.shownPixels(id[, x, y, w, h]) the RGBA bytes that its element shows (drawn up to the
// last frame), in store pixels.
export function chartHooks() {
  window.chartSurfaces = {};
  const transfer = HTMLCanvasElement.prototype.transferControlToOffscreen;
  if (transfer) {
    HTMLCanvasElement.prototype.transferControlToOffscreen = function () {
      const surface = transfer.call(this);
      Object.defineProperty(surface, 'id', { value: this.id });
      window.chartSurfaces[this.id] = surface;
      return surface;
    };
  }
  window.chartContext = (id) => (window.chartSurfaces[id] || document.getElementById(id)).getContext('2d');
  window.shownPixels = (id, x = 0, y = 0, w = undefined, h = undefined) => {
    const element = document.getElementById(id);
    const copy = document.createElement('canvas');
    copy.width = element.width;
    copy.height = element.height;
    const g = copy.getContext('2d', { willReadFrequently: true });
    g.drawImage(element, 0, 0);
    return g.getImageData(x, y, w ?? copy.width, h ?? copy.height).data;
  };
}

// Waits until the page has drawn what the events so far changed and written what it writes once
// idle after it: it draws once per frame, so a frame after the one that is due, then the page's
// idle time (a page that gets no frames draws within 100 ms by timer; its idle work comes within
// 100 ms).
export function settled(page) {
  return page.evaluate(() => new Promise((resolve) => {
    let done = false;
    const finish = () => { if (!done) { done = true; resolve(); } };
    const idle = () => (window.requestIdleCallback ? requestIdleCallback(finish, { timeout: 150 }) : setTimeout(finish, 0));
    requestAnimationFrame(() => requestAnimationFrame(idle));
    setTimeout(finish, 250);
  }));
}

// The page's state as a user sees it, once drawn.
export async function shown(page) {
  await settled(page);
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      keyA: $('keyA').value, keyB: $('keyB').value, keyRx: $('keyRx').value,
      a: $('charA').value, b: $('charB').value,
      sf: Number($('spread').getAttribute('aria-valuenow')), gain: $('gain').textContent,
      received: $('received').textContent, colour: getComputedStyle($('received')).color,
      verdict: $('verdict').textContent, notice: $('notice').hidden ? '' : $('notice').textContent,
    };
  });
}

export function query(settings) {
  return '?' + new URLSearchParams(settings).toString();
}
