// The page inside another site's page: results go out to the parent, settings come in from the
// parent only, and the worked example for authors does what it says.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { setUp } from './support/site.mjs';
import { startServer } from './support/server.mjs';
import { nativeAnswer } from './support/native.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
let env;
let textbook; // another origin, as a learning platform's page would be
before(async () => {
  env = await setUp();
  textbook = await startServer(path.join(here, 'support'));
});
after(async () => {
  await textbook.close();
  await env.tearDown();
});

async function embedded(search = '', atLoad = null) {
  const page = await env.page({ viewport: { width: 1000, height: 900 } });
  const site = env.server.origin + '/index.html' + search;
  const extra = atLoad ? '&atload=' + encodeURIComponent(JSON.stringify(atLoad)) : '';
  await page.goto(textbook.origin + '/parent.html?site=' + encodeURIComponent(site) + extra);
  await page.waitForFunction(() => window.results.length >= 1, null, { timeout: 15000 });
  const frame = page.frames().find((f) => f.parentFrame() && f.url().includes('/index.html'));
  return { page, frame };
}

// Waits, within a bound, for the n-th result and returns it.
async function result(page, n) {
  await page.waitForFunction((n) => window.results.length >= n, n, { timeout: 10000 });
  return page.evaluate((n) => window.results[n - 1], n);
}

function post(page, message) {
  return page.evaluate((m) => document.getElementById('simulation').contentWindow.postMessage(m, '*'), message);
}

test('after every update the page posts its result and inputs to the parent, for its origin', async () => {
  const { page, frame } = await embedded();
  assert.ok(frame);
  const first = await result(page, 1);
  assert.equal(first.origin, env.server.origin);
  assert.deepEqual(first.data, {
    type: 'dscdma-result', received: 'Z', code: 90, ok: true, channel: '1',
    inputs: { a: 'Z', b: 'W', keyA: '23', keyB: '44', keyRx: '23', sf: 8, labels: false, lang: 'en' },
  });
  await frame.locator('#keyRx').fill('44');
  const second = await result(page, 2);
  assert.equal(second.data.received, 'W');
  assert.equal(second.data.inputs.keyRx, '44');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('settings from the parent window are applied, refused ones named, as from the address', async () => {
  const { page, frame } = await embedded();
  await post(page, { type: 'dscdma-set', keyRx: '44', sf: 12, labels: true, a: 'q' });
  const r = await result(page, 2);
  const native = nativeAnswer({ a: 'q', keyRx: '44', sf: 12 });
  assert.equal(r.data.received, native.received);
  assert.equal(r.data.ok, native.ok);
  assert.deepEqual(r.data.inputs, { a: 'q', b: 'W', keyA: '23', keyB: '44', keyRx: '44', sf: 12, labels: true, lang: 'en' });
  assert.equal(await frame.locator('#explain').getAttribute('aria-pressed'), 'true');

  await post(page, { type: 'dscdma-set', keyA: 'abc', sf: '21', b: { no: 1 }, keyB: 44 });
  const refused = await result(page, 3);
  assert.deepEqual(refused.data.inputs, { a: 'q', b: 'W', keyA: '23', keyB: '44', keyRx: '44', sf: 12, labels: true, lang: 'en' });
  assert.equal(await frame.locator('#notice').textContent(), 'Ignored in a message: b=[object Object], keyA=abc, sf=21');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('messages from other windows and malformed ones are ignored', async () => {
  const { page, frame } = await embedded();
  const malformed = ['dscdma-set', null, 42, [1, 2], {}, { type: 'other', keyRx: '44' },
    { type: 'DSCDMA-SET', keyRx: '44' }, { type: ['dscdma-set'], keyRx: '44' }];
  for (const m of malformed)
    await post(page, m);
  // From the sibling frame of the same parent, and from the page to itself.
  await page.evaluate(() => document.getElementById('sibling').contentWindow.eval(
    "parent.frames[0].postMessage({ type: 'dscdma-set', keyRx: '44' }, '*')"));
  await frame.evaluate(() => window.postMessage({ type: 'dscdma-set', keyRx: '44' }, '*'));
  // A valid one after them all: it is the only one that changed anything.
  await post(page, { type: 'dscdma-set', sf: 9 });
  const r = await result(page, 2);
  assert.deepEqual(r.data.inputs, { a: 'Z', b: 'W', keyA: '23', keyB: '44', keyRx: '23', sf: 9, labels: false, lang: 'en' });
  assert.equal(await page.evaluate(() => window.results.length), 2);
  assert.equal(await frame.locator('#notice').isVisible(), false);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('a page not in a frame posts nothing and takes no settings', async () => {
  const page = await env.page();
  await env.open(page, env.server.origin + '/');
  await page.evaluate(() => {
    window.posted = 0;
    window.addEventListener('message', () => { window.posted += 1; });
    window.postMessage({ type: 'dscdma-set', keyRx: '44' }, '*');
  });
  await page.waitForFunction(() => window.posted === 1, null, { timeout: 5000 });
  await page.locator('#keyA').fill('24');
  assert.equal(await page.locator('#keyRx').inputValue(), '23');
  assert.equal(await page.evaluate(() => window.posted), 1, 'no result posted to itself');
  await page.close();
});

test('the worked example checks the exercise through the messages', async () => {
  const page = await env.page({ viewport: { width: 1000, height: 1200 } });
  await page.goto(env.server.origin + '/examples/exercise.html');
  const feedback = page.locator('#feedback');
  await page.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Not yet'), null,
    { timeout: 15000 });
  assert.equal(await feedback.textContent(),
    'Not yet: with channel number 23 the receiver gets “Z”, the character of channel 1 (channel number 23).');
  const frame = page.frames().find((f) => f.parentFrame() && f.url().includes('/index.html'));
  await frame.locator('#keyRx').fill('44');
  await page.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Solved'), null,
    { timeout: 10000 });
  assert.equal(await feedback.textContent(),
    'Solved: with channel number 44 the receiver recovers “W”, the character of channel 2 (channel number 44).');
  await page.locator('#again').click();
  await page.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Not yet'), null,
    { timeout: 10000 });
  assert.equal(await frame.locator('#keyRx').inputValue(), '23');

  // Swapping the transmitters' numbers brings W to the receiver at 23, but the exercise asks
  // for the receiver's number.
  await frame.locator('#keyA').fill('44');
  await frame.locator('#keyB').fill('23');
  // The feedback on both edits: after the first alone the transmitters have changed as well.
  await page.waitForFunction(() => document.getElementById('feedback').textContent.includes('channel 2 “W” with 23'),
    null, { timeout: 10000 });
  assert.match(await feedback.textContent(), /transmitters have changed/);
  assert.equal(await feedback.getAttribute('class'), '', 'not solved');
  assert.equal(await frame.locator('#received').textContent(), 'W');
  await page.locator('#again').click();
  await page.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Not yet: with'), null,
    { timeout: 10000 });

  // Control characters by a visible name, not as empty quotes.
  await frame.locator('#charA').focus();
  await frame.locator('#charA').press('Backspace');
  await page.waitForFunction(() => document.getElementById('feedback').textContent.includes('BS (U+0008)'), null,
    { timeout: 10000 });
  assert.equal(await feedback.textContent(), 'Not yet: the transmitters have changed (channel 1 sends BS (U+0008) with ' +
    'channel number 23, channel 2 “W” with 44). Start again and change only the receiver.');
  assert.deepEqual(page.problems, []);
  await page.close();
});

// Waits, within a bound, for a message of the simulation that `match` (a function's source)
// accepts, and returns its data.
async function message(page, match) {
  const handle = await page.waitForFunction((m) => {
    const accept = eval(m);
    const found = window.messages.find((x) => accept(x.data));
    return found ? found.data : null;
  }, match, { timeout: 10000 });
  return handle.jsonValue();
}

test('a message sent when the frame has loaded takes effect, and its id comes back', async () => {
  const { page } = await embedded('', { type: 'dscdma-set', keyRx: '44', id: 'at-load' });
  const answer = await message(page, "(d) => d.type === 'dscdma-result' && d.id === 'at-load'");
  assert.equal(answer.received, 'W');
  assert.equal(answer.channel, '2');
  assert.equal(answer.inputs.keyRx, '44');
  // Ids of any kind come back as they were sent, each with its own result.
  const frameWindow = 'document.getElementById("simulation").contentWindow';
  await page.evaluate((w) => {
    eval(w).postMessage({ type: 'dscdma-set', sf: 4, id: { n: 7 } }, '*');
    eval(w).postMessage({ type: 'dscdma-set', sf: 5, id: 8 }, '*');
  }, frameWindow);
  const seven = await message(page, "(d) => d.type === 'dscdma-result' && d.id && d.id.n === 7");
  const eight = await message(page, "(d) => d.type === 'dscdma-result' && d.id === 8");
  assert.equal(eight.inputs.sf, 5);
  assert.ok(seven.inputs.sf === 4 || seven.inputs.sf === 5, 'answered by the run that took it');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('the page says it is ready with its version and size, and again when asked', async () => {
  const { page } = await embedded();
  const ready = await message(page, "(d) => d.type === 'dscdma-ready'");
  assert.equal(ready.version, '1.0.0');
  assert.equal(ready.width, 931, 'the wide layout: the desktop window');
  assert.ok(ready.height >= 709 && ready.height < 800, `height ${ready.height}`);
  const index = await page.evaluate(() => window.messages.findIndex((m) => m.data.type === 'dscdma-ready'));
  const firstResult = await page.evaluate(() => window.messages.findIndex((m) => m.data.type === 'dscdma-result'));
  assert.ok(index >= 0 && firstResult >= 0);
  await post(page, { type: 'dscdma-hello' });
  await page.waitForFunction(() => window.messages.filter((m) => m.data.type === 'dscdma-ready').length === 2, null,
    { timeout: 10000 });
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('a run that fails posts ok false with the error, and the next one recovers', async () => {
  const { page } = await embedded();
  await post(page, { type: 'dscdma-set', keyRx: '1e300', id: 'too-large' });
  const failed = await message(page, "(d) => d.type === 'dscdma-result' && d.id === 'too-large'");
  assert.deepEqual(failed, {
    type: 'dscdma-result', id: 'too-large', ok: false, error: 'Invalid floating point operation',
    inputs: { a: 'Z', b: 'W', keyA: '23', keyB: '44', keyRx: '1e300', sf: 8, labels: false, lang: 'en' },
  });
  await post(page, { type: 'dscdma-set', keyRx: '44', id: 'back', lang: 'de' });
  const back = await message(page, "(d) => d.type === 'dscdma-result' && d.id === 'back'");
  assert.equal(back.ok, true);
  assert.equal(back.error, undefined);
  assert.equal(back.inputs.lang, 'de');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('a size message follows a change of layout', async () => {
  const { page } = await embedded();
  await message(page, "(d) => d.type === 'dscdma-ready'");
  await page.evaluate(() => { document.getElementById('simulation').width = '400'; });
  const narrow = await message(page, "(d) => d.type === 'dscdma-size' && d.width <= 400");
  assert.equal(narrow.width, 400);
  assert.ok(narrow.height > 1000, `the narrow layout is a long column: ${narrow.height}`);
  await page.evaluate(() => { document.getElementById('simulation').width = '931'; });
  const wide = await message(page, "(d) => d.type === 'dscdma-size' && d.width === 931");
  assert.ok(wide.height < 800, `height ${wide.height}`);
  assert.deepEqual(page.problems, []);
  await page.close();
});
