// The lab page for every student: no accessibility violation that axe-core finds in any view or
// state at a desktop's and a phone's size; on a phone with touch, text and targets measured as
// drawn and no scrolling sideways; at 320 px, only downwards.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { setUp, settled } from './support/site.mjs';

const axeFile = path.join(process.env.DSCDMA_WEB_DEPS || '', 'node_modules', 'axe-core', 'axe.min.js');
const Wcag22AA = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'];

const Sizes = [
  { name: 'desktop', viewport: { width: 1280, height: 800 } },
  { name: 'phone', viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true, deviceScaleFactor: 3 },
];

// Each state: the address, then what is done to reach it.
const States = [
  { name: 'signals', search: '' },
  { name: 'decision values', search: '', view: 1 },
  { name: 'error rate, measuring', search: '?bits=1000000', view: 2 },
  { name: 'error rate, measured', search: '?bits=500&ebn0=0:2:1', view: 2, settle: '#table2 tbody tr:nth-child(3)' },
  { name: 'codes as a table', search: '?codes=gold&spread=7&users=6', view: 3, open: true },
  { name: 'spectrum as a table', search: '?lang=de', view: 4, open: true },
  { name: 'a refused value', search: '?users=12' },
  { name: 'the link shown', search: '', reach: (p) => p.locator('#link').click() },
];

let env;
before(async () => { env = await setUp(); });
after(async () => { await env.tearDown(); });

// Every text the charts draw is noted with its font, for the size check.
function noteChartTexts(context) {
  return context.addInitScript(() => {
    window.chartFonts = [];
    const fill = CanvasRenderingContext2D.prototype.fillText;
    CanvasRenderingContext2D.prototype.fillText = function (text, x, y, ...rest) {
      window.chartFonts.push({ canvas: this.canvas.id, text: String(text), font: this.font });
      return fill.call(this, text, x, y, ...rest);
    };
  });
}

async function reached(size, state) {
  const page = await env.page(size);
  await noteChartTexts(page.context());
  await env.open(page, env.server.origin + '/lab.html' + state.search);
  if (state.view !== undefined)
    await page.locator('#tab' + state.view).click();
  if (state.settle)
    await page.waitForSelector(state.settle, { timeout: 15000 });
  if (state.open)
    await page.locator('#panel' + state.view + ' summary').click();
  if (state.reach)
    await state.reach(page);
  await settled(page);
  return page;
}

async function axeViolations(page) {
  await page.addScriptTag({ path: axeFile });
  return page.evaluate(async (tags) => {
    const result = await window.axe.run(document, { runOnly: { type: 'tag', values: tags } });
    return result.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
  }, Wcag22AA);
}

test('axe-core finds no WCAG 2.2 A or AA violation in any view or state at either size', async () => {
  const found = [];
  for (const size of Sizes) {
    for (const state of States) {
      const page = await reached(size, state);
      for (const v of await axeViolations(page))
        found.push(`${size.name}, ${state.name}: ${v}`);
      assert.deepEqual(page.problems, [], `${size.name}, ${state.name}`);
      await page.context().close();
    }
  }
  assert.deepEqual(found, []);
});

// The smallest text anywhere (chart texts from the fonts they were drawn in), every target's
// box, and how far the page scrolls sideways.
function measure(page) {
  return page.evaluate(() => {
    const visible = (el) => {
      const r = el.getBoundingClientRect();
      return r.width > 0 && r.height > 0 && getComputedStyle(el).visibility !== 'hidden' && !el.closest('.sr, [hidden]');
    };
    const texts = [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      const el = node.parentElement;
      if (node.textContent.trim() && visible(el))
        texts.push({ what: el.id || el.tagName, px: parseFloat(getComputedStyle(el).fontSize) });
    }
    for (const f of window.chartFonts)
      texts.push({ what: `${f.canvas} "${f.text}"`, px: parseFloat(/(\d+(\.\d+)?)px/.exec(f.font)[1]) });
    const targets = [];
    for (const el of document.querySelectorAll('input, select, button, a[href], summary, [tabindex]:not([tabindex="-1"])')) {
      if (!visible(el))
        continue;
      const r = el.getBoundingClientRect();
      targets.push({ what: el.id || el.tagName, width: r.width, height: r.height });
    }
    return { texts, targets, scroll: document.documentElement.scrollWidth - document.documentElement.clientWidth };
  });
}

test('on a phone with touch: no text under 12 px, every target 44 x 44 or more, no sideways scroll', async () => {
  const report = [];
  for (const state of States) {
    const page = await reached(Sizes[1], state);
    const m = await measure(page);
    assert.ok(m.texts.some((t) => t.what.startsWith('view')), `${state.name}: chart texts were measured`);
    const text = m.texts.reduce((a, b) => (b.px < a.px ? b : a));
    report.push(`${state.name}: text ${text.px} px (${text.what})`);
    assert.ok(text.px >= 12, `${state.name}: ${JSON.stringify(text)}`);
    for (const t of m.targets)
      assert.ok(t.width >= 44 && t.height >= 44, `${state.name}: ${JSON.stringify(t)}`);
    assert.equal(m.scroll, 0, `${state.name}: sideways scroll`);
    await page.context().close();
  }
  console.log(report.join('\n'));
});

test('the narrowest screen, 320 px, scrolls only downwards, with every view laid out to its width', async () => {
  const page = await env.page({ viewport: { width: 320, height: 640 }, hasTouch: true, isMobile: true });
  await noteChartTexts(page.context());
  await env.open(page, env.server.origin + '/lab.html?users=8&codes=gold&spread=31&lang=de');
  for (let v = 0; v < 5; ++v) {
    await page.locator('#tab' + v).tap();
    await settled(page);
    const m = await measure(page);
    assert.equal(m.scroll, 0, `view ${v}`);
    const canvas = await page.locator('#view' + v).boundingBox();
    assert.ok(canvas.x >= 0 && canvas.x + canvas.width <= 320, `view ${v}: ${JSON.stringify(canvas)}`);
  }
  assert.deepEqual(page.problems, []);
  await page.context().close();
});
