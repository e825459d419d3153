// An edit draws again only the charts whose picture it changed, counted by the drawing calls
// that reach each chart's canvas.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setUp, settled, query } from './support/site.mjs';

let env;
before(async () => { env = await setUp(); });
after(async () => { await env.tearDown(); });

const Charts = ['rca', 'rcb', 'rcc', 'rcd'];

// Every call of a canvas context that puts pixels on it, counted per canvas.
// (An offscreen canvas carries its chart's id, see chartHooks.)
function countDrawing() {
  window.drawn = {};
  for (const proto of [CanvasRenderingContext2D.prototype, window.OffscreenCanvasRenderingContext2D?.prototype]) {
    for (const name of ['fillRect', 'clearRect', 'strokeRect', 'fill', 'stroke', 'fillText', 'strokeText', 'drawImage', 'putImageData']) {
      const original = proto?.[name];
      if (!original)
        continue;
      proto[name] = function (...args) {
        const id = this.canvas.id;
        if (id)
          window.drawn[id] = (window.drawn[id] || 0) + 1;
        return original.apply(this, args);
      };
    }
  }
}

// The charts drawn by one edit, once its frame has passed.
async function drawnBy(page, edit) {
  await settled(page);
  await page.evaluate(() => { window.drawn = {}; });
  await edit();
  await settled(page);
  return page.evaluate((charts) => charts.filter((id) => window.drawn[id] > 0), Charts);
}

test('an edit draws only the charts whose picture changed', async () => {
  const page = await env.page();
  await page.addInitScript(countDrawing);
  await env.open(page, env.server.origin + '/' + query({ sf: 20 }));
  const type = (id, text) => async () => {
    await page.locator('#' + id).focus();
    await page.keyboard.type(text);
  };
  const fill = (id, text) => () => page.locator('#' + id).fill(text);
  const cases = [
    // The receiver's chips, the despread signal, its integral and the recovered bits.
    ['the receiver key', fill('keyRx', '44'), ['rcd']],
    ['the receiver key back', fill('keyRx', '23'), ['rcd']],
    // The character's bits and chips, the composite signal, and with it what the receiver despreads.
    ['channel A\'s character', type('charA', 'q'), ['rca', 'rcc', 'rcd']],
    ['channel B\'s character', type('charB', 'k'), ['rcb', 'rcc', 'rcd']],
    ['channel A\'s key', fill('keyA', '7'), ['rca', 'rcc', 'rcd']],
    // The same number written otherwise, and the character already shown: the same picture.
    ['the receiver key as the same number', fill('keyRx', '23.0'), []],
    ['the character already shown', type('charB', 'k'), []],
    ['the spreading factor', async () => { await page.locator('#spread').focus(); await page.keyboard.press('ArrowLeft'); },
      ['rca', 'rcb', 'rcc', 'rcd']],
  ];
  for (const [what, edit, charts] of cases)
    assert.deepEqual(await drawnBy(page, edit), charts, what);
  await page.close();
});

test('charts whose context the browser gave back empty are drawn again, all of them, as they were', async () => {
  const page = await env.page({ deviceScaleFactor: 2 });
  await page.addInitScript(countDrawing);
  await env.open(page, env.server.origin + '/' + query({ sf: 20 }));
  // What each chart shows, every pixel, texts included, which the browser draws at the scale set.
  const shown = async () => {
    await settled(page);
    return page.evaluate((charts) => charts.map((id) => window.shownPixels(id).join()), Charts);
  };
  const before = await shown();
  // The browser gives a context back as reset() leaves it: black, its scale and clip gone.
  await page.evaluate((charts) => { for (const id of charts) window.chartContext(id).reset(); }, Charts);
  const lost = await shown();
  assert.ok(lost.every((pixels, i) => pixels !== before[i]));
  const drawn = await drawnBy(page, () => page.evaluate(() => {
    (window.chartSurfaces.rcc || document.getElementById('rcc')).dispatchEvent(new Event('contextrestored'));
  }));
  assert.deepEqual(drawn, Charts);
  const again = await shown();
  assert.deepEqual(Charts.filter((id, i) => again[i] !== before[i]), []);
  await page.close();
});

// Every call that reaches a chart's canvas, by name.
function countCalls() {
  window.calls = [];
  for (const proto of [CanvasRenderingContext2D.prototype, window.OffscreenCanvasRenderingContext2D?.prototype]) {
    for (const name of Object.getOwnPropertyNames(proto ?? {})) {
      const original = Object.getOwnPropertyDescriptor(proto, name).value;
      if (typeof original !== 'function' || name === 'constructor')
        continue;
      proto[name] = function (...args) {
        if (window.calls && this.canvas.id)
          window.calls.push(this.canvas.id + '.' + name);
        return original.apply(this, args);
      };
    }
  }
}

test('an edit that moves only traces hands each changed chart over as one image and nothing else', async () => {
  const page = await env.page({ deviceScaleFactor: 2 });
  await page.addInitScript(countCalls);
  await env.open(page, env.server.origin + '/' + query({ sf: 20 }));
  const callsOf = async (edit) => {
    await settled(page);
    await page.evaluate(() => { window.calls = []; });
    await edit();
    await settled(page);
    return page.evaluate(() => window.calls);
  };
  assert.deepEqual(await callsOf(() => page.locator('#keyRx').fill('44')), ['rcd.putImageData']);
  assert.deepEqual((await callsOf(async () => {
    await page.locator('#charA').focus();
    await page.keyboard.type('q');
  })).sort(), ['rca.putImageData', 'rcc.putImageData', 'rcd.putImageData']);
  // Texts are the browser's to draw: with the explanations shown, it draws them clipped to the plot.
  const shown = await callsOf(() => page.locator('#explain').click());
  assert.ok(shown.includes('rca.fillText') && shown.includes('rca.clip'), shown.join(' '));
  await page.close();
});
