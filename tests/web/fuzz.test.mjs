// Whatever the address and the parent page hand the page, it stays up and says nothing on the
// console: 1,000 random query strings (each a real load) and 1,000 random messages.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { setUp } from './support/site.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const seed = Number(process.env.DSCDMA_FUZZ_SEED || Date.now() % 1000000);
console.log(`fuzz seed ${seed} (DSCDMA_FUZZ_SEED repeats a run)`);

// A small seeded generator, so that a failing run can be repeated.
function generator(s) {
  let state = s >>> 0;
  const next = () => {
    state = (state + 0x6D2B79F5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const int = (n) => Math.floor(next() * n);
  const pick = (list) => list[int(list.length)];
  return { next, int, pick };
}

const Names = ['a', 'b', 'keyA', 'keyB', 'keyRx', 'sf', 'labels', 'lang', 'x', '', 'KEYA', 'a[]'];
const Pieces = ['23', '$ff', '%101', '&17', '1e308', '1e400', '-0', '.', ',', 'e', '$', '%', '&', '+', '-', ' ',
  '0x10', 'NaN', 'Infinity', '20', '2', '21', '1', '0', 'de', 'en', 'ä', '€', 'ā', '😀', '\u0000', '\b', '\n',
  '<script>', '"', "'", '%zz', '%E0%80', '%FF', '#', '?', '=', '&&', '9'.repeat(400), 'Z'];

function randomText(g) {
  let text = '';
  const parts = g.int(4);
  for (let i = 0; i < parts; ++i) {
    switch (g.int(4)) {
    case 0: text += g.pick(Pieces); break;
    case 1: text += String.fromCharCode(g.int(0x10000)); break;
    case 2: text += String(g.next() * 10 ** g.int(12) * (g.next() < 0.5 ? -1 : 1)); break;
    default: text += 'x'.repeat(g.int(3) === 0 ? 5000 : g.int(10));
    }
  }
  return text;
}

// A text that encodeURIComponent takes: lone surrogate halves become U+FFFD.
function wellFormed(text) {
  return text.replace(/[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g, '\uFFFD');
}

function randomQuery(g) {
  const parts = [];
  const count = g.int(8);
  for (let i = 0; i < count; ++i) {
    const name = g.pick(Names);
    const value = randomText(g);
    // Mostly encoded as a browser would, sometimes raw, with whatever that breaks.
    // (Raw line breaks never reach a page: the browser drops them, or refuses the address.)
    parts.push(g.int(3) === 0 ? name + '=' + value.replace(/[\n\r\t]/g, '')
      : encodeURIComponent(name) + '=' + encodeURIComponent(wellFormed(value)));
  }
  return '?' + parts.join(g.int(5) === 0 ? '&&' : '&');
}

function randomValue(g, depth = 0) {
  switch (g.int(depth > 1 ? 6 : 9)) {
  case 0: return randomText(g);
  case 1: return g.next() * 100 - 50;
  case 2: return g.pick([NaN, Infinity, -Infinity, 0, -0, 2, 20, 21, 1e308]);
  case 3: return g.next() < 0.5;
  case 4: return null;
  case 5: return undefined;
  case 6: return [randomValue(g, depth + 1), randomValue(g, depth + 1)];
  case 7: return { type: randomValue(g, depth + 1), keyRx: randomValue(g, depth + 1) };
  default: return new Date(g.int(1e12));
  }
}

function randomMessage(g) {
  if (g.int(10) === 0)
    return randomValue(g);
  const message = { type: g.int(6) === 0 ? randomText(g) : 'dscdma-set' };
  const count = g.int(6);
  for (let i = 0; i < count; ++i)
    message[g.pick(Names)] = randomValue(g);
  return message;
}

let env;
before(async () => { env = await setUp({ '/harness.html': path.join(here, 'support/harness.html') }); });
after(async () => { await env.tearDown(); });

test('1,000 random query strings: every load comes up, with no exception and no console error', async () => {
  const g = generator(seed);
  const queries = Array.from({ length: Number(process.env.DSCDMA_FUZZ_LOADS || 1000) }, () => randomQuery(g));
  const page = await env.page();
  await page.goto(env.server.origin + '/harness.html');
  page.setDefaultTimeout(400000);
  const stuck = await page.evaluate(([q, width]) => window.loadAll(q, width, 10000), [queries, 8]);
  assert.deepEqual(stuck, [], 'pages that did not come up');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('1,000 random messages from the parent: each handled or ignored, with no exception and no console error', async () => {
  const g = generator(seed + 1);
  const messages = Array.from({ length: 1000 }, () => randomMessage(g));
  const page = await env.page();
  await page.goto(env.server.origin + '/harness.html');
  const done = await page.evaluate(async (messages) => {
    const frame = document.createElement('iframe');
    frame.src = 'index.html';
    await new Promise((resolve) => { frame.onload = resolve; document.body.append(frame); });
    const win = frame.contentWindow;
    while (win.document.documentElement.dataset.state !== 'ready')
      await new Promise((resolve) => setTimeout(resolve, 5));
    // Messages are handled in order: the last one's result says that all were handled.
    const last = new Promise((resolve) => {
      window.addEventListener('message', (event) => {
        if (event.source === win && event.data && event.data.inputs && event.data.inputs.keyRx === '98765')
          resolve(true);
      });
    });
    for (const m of messages)
      win.postMessage(m, '*');
    win.postMessage({ type: 'dscdma-set', keyRx: '98765' }, '*');
    return last;
  }, messages);
  assert.equal(done, true);
  assert.deepEqual(page.problems, []);
  await page.close();
});
