// The page for every student: no accessibility violation that axe-core finds in any state at a
// desktop's, a tablet's and a phone's size; on a phone with touch, text and targets measured as
// drawn, no scrolling sideways, and a whole scenario by taps; browser zoom to 400 %.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { setUp, shown, settled, query } from './support/site.mjs';
import { nativeAnswer } from './support/native.mjs';

const axeFile = path.join(process.env.DSCDMA_WEB_DEPS || '', 'node_modules', 'axe-core', 'axe.min.js');
const Wcag22AA = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'];

const Sizes = [
  { name: 'desktop', viewport: { width: 1280, height: 800 } },
  { name: 'tablet', viewport: { width: 820, height: 1180 }, hasTouch: true, deviceScaleFactor: 2 },
  { name: 'phone', viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true, deviceScaleFactor: 3 },
];

// Each state: the address it opens, and what is done to reach it.
const States = [
  { name: 'default', search: '' },
  { name: 'explanations shown', search: '', reach: (p) => p.locator('#explain').click() },
  { name: 'About open', search: '', reach: (p) => p.locator('#about').click() },
  { name: 'a refused key', search: query({ keyA: 'abc' }) },
  { name: 'the error state', search: query({ keyRx: '1e300' }) },
  { name: 'the table shown', search: query({ labels: '1' }), reach: (p) => p.locator('#table').click() },
];

let env;
before(async () => { env = await setUp(); });
after(async () => { await env.tearDown(); });

// Every text the charts draw is noted with its font, for the size check.
function noteChartTexts(context) {
  return context.addInitScript(() => {
    window.chartFonts = [];
    for (const proto of [CanvasRenderingContext2D.prototype, window.OffscreenCanvasRenderingContext2D?.prototype]) {
      const fill = proto?.fillText;
      if (!fill)
        continue;
      proto.fillText = function (text, x, y, ...rest) {
        window.chartFonts.push({ canvas: this.canvas.id, text: String(text), font: this.font });
        return fill.call(this, text, x, y, ...rest);
      };
    }
  });
}

async function opened(size, search = '') {
  const page = await env.page(size);
  await noteChartTexts(page.context());
  await env.open(page, env.server.origin + '/' + search);
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

test('axe-core finds no WCAG 2.2 A or AA violation in any state at any of the three sizes', async () => {
  const found = [];
  for (const size of Sizes) {
    for (const state of States) {
      const page = await opened(size, state.search);
      if (state.reach)
        await state.reach(page);
      await settled(page);
      for (const v of await axeViolations(page))
        found.push(`${size.name}, ${state.name}: ${v}`);
      assert.deepEqual(page.problems, [], `${size.name}, ${state.name}`);
      await page.context().close();
    }
  }
  assert.deepEqual(found, []);
});

// The page's measurements: the smallest text anywhere (chart texts from the fonts they were
// drawn in), every target's box, and how far the page scrolls sideways.
function measure(page) {
  return page.evaluate(() => {
    const visible = (el) => {
      const r = el.getBoundingClientRect();
      const s = getComputedStyle(el);
      return r.width > 0 && r.height > 0 && s.visibility !== 'hidden' && !el.closest('.sr, [hidden]');
    };
    const texts = [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      const el = node.parentElement;
      if (node.textContent.trim() && visible(el) && !el.closest('dialog:not([open])'))
        texts.push({ what: el.id || el.tagName, px: parseFloat(getComputedStyle(el).fontSize) });
    }
    for (const f of window.chartFonts)
      texts.push({ what: `${f.canvas} "${f.text}"`, px: parseFloat(/(\d+(\.\d+)?)px/.exec(f.font)[1]) });
    const targets = [];
    const selector = 'input, button, a[href], [role="slider"], #spread .arrow, #spread .thumb, [tabindex]:not([tabindex="-1"])';
    for (const el of document.querySelectorAll(selector)) {
      if (!visible(el) || el.closest('dialog:not([open])'))
        continue;
      const r = el.getBoundingClientRect();
      targets.push({ what: el.id || el.className || el.tagName, width: r.width, height: r.height });
    }
    return {
      texts, targets,
      scroll: document.documentElement.scrollWidth - document.documentElement.clientWidth,
    };
  });
}

function smallest(list, key) {
  return list.reduce((a, b) => (b[key] < a[key] ? b : a));
}

test('on a phone with touch: no text under 12 px, every target 44 x 44 or more, no sideways scroll', async () => {
  const phone = Sizes[2];
  const report = [];
  for (const state of States) {
    const page = await opened(phone, state.search);
    if (state.reach)
      await state.reach(page);
    await settled(page);
    const m = await measure(page);
    // A page whose first run failed has drawn no chart yet.
    if (state.name !== 'the error state')
      assert.ok(m.texts.some((t) => t.what.startsWith('rca')), `${state.name}: chart texts were measured`);
    const text = smallest(m.texts, 'px');
    const narrowest = smallest(m.targets, 'width');
    const lowest = smallest(m.targets, 'height');
    report.push(`${state.name}: text ${text.px} px (${text.what}), targets ${narrowest.width} x ${lowest.height}`);
    assert.ok(text.px >= 12, `${state.name}: ${JSON.stringify(text)}`);
    for (const t of m.targets)
      assert.ok(t.width >= 44 && t.height >= 44, `${state.name}: ${JSON.stringify(t)}`);
    assert.equal(m.scroll, 0, `${state.name}: sideways scroll`);
    await page.context().close();
  }
  console.log(report.join('\n'));
});

test('the narrowest screen, 320 px, scrolls only downwards', async () => {
  const page = await opened({ viewport: { width: 320, height: 640 }, hasTouch: true, isMobile: true }, query({ labels: 1 }));
  await page.locator('#table').tap();
  await settled(page);
  const m = await measure(page);
  assert.equal(m.scroll, 0);
  await page.locator('#about').tap();
  assert.equal((await measure(page)).scroll, 0, 'with the About box open');
  await page.context().close();
});

test('a scenario on a phone by taps and typing', async () => {
  const page = await opened(Sizes[2]);
  const key = page.locator('#keyRx');
  await key.tap();
  await page.keyboard.press('End');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Backspace');
  await page.keyboard.type('44');
  let s = await shown(page);
  assert.equal(s.keyRx, '44');
  assert.equal(s.received, 'W');
  // The received character is in view beside the field being edited.
  const inView = await page.evaluate(() => {
    const r = document.getElementById('received').getBoundingClientRect();
    return r.top >= 0 && r.bottom <= window.innerHeight;
  });
  assert.ok(inView, 'the received character is in view');

  await page.locator('#charB').tap();
  await page.keyboard.type('k');
  s = await shown(page);
  assert.equal(s.b, 'k');
  assert.equal(s.received, 'k');

  for (let i = 0; i < 3; ++i)
    await page.locator('#spread .right').tap();
  s = await shown(page);
  assert.equal(s.sf, 11);
  assert.equal(s.received, nativeAnswer({ b: 'k', keyRx: '44', sf: 11 }).shown);

  // The explanations come below the charts, not over them, and close by a tap.
  await page.locator('#explain').tap();
  await settled(page);
  const below = await page.evaluate(() => document.getElementById('explanations').getBoundingClientRect().top -
    document.getElementById('rcd').getBoundingClientRect().bottom);
  assert.ok(below >= 0, `explanations ${below} px below the last chart`);
  await page.locator('#explanations .close').tap();
  await settled(page);
  assert.equal(await page.locator('#explain').getAttribute('aria-pressed'), 'false');
  assert.ok(!(await page.locator('#explanations').isVisible()));

  await page.locator('#table').tap();
  await settled(page);
  assert.ok(await page.locator('#traces').isVisible());
  assert.match(await page.locator('#sRcd').textContent(), /^The receiver with channel number 44 follows channel 2 and recovers k: /);
  assert.deepEqual(page.problems, []);
  await page.context().close();
});

test('the charts are laid out again at the full width and drawn at the pixel ratio', async () => {
  for (const size of Sizes) {
    const page = await opened(size, query({ labels: 1 }));
    const charts = await page.evaluate(() => ['rca', 'rcb', 'rcc', 'rcd'].map((id) => {
      const c = document.getElementById(id);
      return { id, css: c.getBoundingClientRect().width, store: c.width, room: document.getElementById('charts').clientWidth };
    }));
    const ratio = size.deviceScaleFactor || 1;
    for (const c of charts) {
      const wanted = size.viewport.width >= 931 ? 785 : c.room;
      assert.equal(c.css, wanted, `${size.name} ${c.id}: its width`);
      assert.equal(c.store, Math.round(wanted * ratio), `${size.name} ${c.id}: one store pixel per device pixel`);
    }
    // The trace labels end inside the chart: the layout took the width, not a scaled picture.
    const right = await page.evaluate(() => {
      const g = document.createElement('canvas').getContext('2d');
      return Math.max(...window.chartFonts.filter((f) => f.canvas === 'rcd').map((f) => {
        g.font = f.font;
        return g.measureText(f.text).width;
      }));
    });
    assert.ok(right < charts[3].css, `${size.name}: labels fit`);
    await page.context().close();
  }
});

// Browser zoom: the viewport shrinks by the zoom and the pixel ratio grows by it.
async function zoomed(factor) {
  const page = await opened({ viewport: { width: 1280 / factor, height: 800 / factor }, deviceScaleFactor: factor },
    query({ labels: 1 }));
  return page;
}

function layoutFacts(page) {
  return page.evaluate(() => {
    const ids = ['Label3', 'keyA', 'Label4', 'keyB', 'Label5', 'keyRx', 'Label1', 'charA', 'Label2', 'charB', 'NLabPG',
      'spread', 'explain', 'about', 'link', 'table', 'result', 'rca', 'rcb', 'rcc', 'rcd', 'explanations'];
    const boxes = ids.map((id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return { id, left: r.left + scrollX, top: r.top + scrollY, right: r.right + scrollX, bottom: r.bottom + scrollY };
    });
    const overlaps = [];
    for (let i = 0; i < boxes.length; ++i)
      for (let j = i + 1; j < boxes.length; ++j) {
        const a = boxes[i], b = boxes[j];
        if (a.left < b.right - 0.5 && b.left < a.right - 0.5 && a.top < b.bottom - 0.5 && b.top < a.bottom - 0.5)
          overlaps.push(a.id + ' ' + b.id);
      }
    const px = (id) => parseFloat(getComputedStyle(document.getElementById(id)).fontSize);
    return {
      overlaps,
      scroll: document.documentElement.scrollWidth - document.documentElement.clientWidth,
      label: px('Label1') * devicePixelRatio,
      chartText: Math.min(...window.chartFonts.map((f) => parseFloat(/(\d+)px/.exec(f.font)[1]))) * devicePixelRatio,
    };
  });
}

test('zoomed to 200 % and 400 %, text grows, nothing overlaps and nothing scrolls sideways', async () => {
  const plain = await zoomed(1);
  const at100 = await layoutFacts(plain);
  await plain.context().close();
  for (const factor of [2, 4]) {
    const page = await zoomed(factor);
    const facts = await layoutFacts(page);
    assert.deepEqual(facts.overlaps, [], `${factor * 100} %`);
    assert.equal(facts.scroll, 0, `${factor * 100} %`);
    assert.ok(facts.label >= at100.label * factor, `${factor * 100} %: captions ${facts.label} vs ${at100.label}`);
    assert.ok(facts.chartText >= at100.chartText * factor, `${factor * 100} %: chart texts ${facts.chartText} vs ${at100.chartText}`);
    assert.deepEqual(page.problems, []);
    await page.context().close();
  }
});
