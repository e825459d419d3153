// The lab page in Debian's chromium: driven from its address to the results it posts, against the
// command line's counts; settings from the parent only; refused values named with the set-up kept;
// an edit that starts the curve again; views drawn again on canvases the browser gave back empty;
// curves kept; the link to a set-up; both languages with every text in the language files; and the
// page again without a network.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { setUp, settled } from './support/site.mjs';
import { startServer } from './support/server.mjs';
import { labKeys } from './support/lab.mjs';

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

// The command line's curve for the same set-up: what the page must post.
function nativeRun({ users, codes, spread, ebn0, bits, seed, power, delays, async }) {
  const args = ['--ber', '--users', String(users), '--codes', codes, '--spread', String(spread), '--ebn0', ebn0,
    '--bits', String(bits), '--seed', String(seed), '--format', 'json'];
  if (power)
    args.push('--power', power);
  if (delays)
    args.push('--delays', delays);
  if (async)
    args.push('--async');
  return JSON.parse(execFileSync(process.env.DSCDMA_SIM, args, { encoding: 'utf8' })).ber;
}

function nativeCurve(set) {
  return nativeRun(set).points;
}

// Counts and intervals to the bit; the theory within rounding, as the two builds' libraries may
// round erfc differently in the last place.
function samePoints(page, native, label) {
  assert.equal(page.length, native.length, label);
  page.forEach((p, i) => {
    for (const field of ['ebn0_db', 'bits', 'errors', 'ber'])
      assert.equal(p[field], native[i][field], `${label} point ${i} ${field}`);
    assert.deepEqual(p.ci95, native[i].ci95, `${label} point ${i} ci95`);
    for (const field of ['theory_exact', 'theory_gaussian']) {
      if (native[i][field] === null)
        assert.equal(p[field], null, `${label} point ${i} ${field}`);
      else
        assert.ok(Math.abs(p[field] - native[i][field]) <= 1e-12 * native[i][field], `${label} point ${i} ${field}`);
    }
  });
}

async function opened(search = '', options = {}) {
  const page = await env.page(options);
  await env.open(page, env.server.origin + '/lab.html' + search);
  return page;
}

// The lab inside another origin's page; its messages are in window.messages.
async function embedded(search) {
  const page = await env.page({ viewport: { width: 1280, height: 900 } });
  const site = env.server.origin + '/lab.html' + search;
  await page.goto(textbook.origin + '/parent.html?site=' + encodeURIComponent(site));
  await page.waitForFunction(() => window.messages.some((m) => m.data.type === 'dscdma-ready'), null, { timeout: 15000 });
  const frame = page.frames().find((f) => f.parentFrame() && f.url().includes('/lab.html'));
  return { page, frame };
}

function labResults(page) {
  return page.evaluate(() => window.messages.filter((m) => m.data.type === 'dscdma-lab-result').map((m) => m.data));
}

async function resultsUntil(page, check, what) {
  await page.waitForFunction((source) => {
    const results = window.messages.filter((m) => m.data.type === 'dscdma-lab-result').map((m) => m.data);
    return new Function('results', 'return ' + source)(results);
  }, check, { timeout: 30000 }).catch(() => { throw new Error('not within 30 s: ' + what); });
  return labResults(page);
}

function post(page, message) {
  return page.evaluate((m) => document.getElementById('simulation').contentWindow.postMessage(m, '*'), message);
}

const Query = { users: 2, codes: 'gold', spread: 7, ebn0: '0:4:2', bits: 2000, seed: 3 };

test('a query drives the curve to one result per point, the last one done, with the command line\'s counts', async () => {
  const { page } = await embedded('?' + new URLSearchParams(Query).toString());
  const results = await resultsUntil(page, 'results.some((r) => r.done)', 'the last point');
  assert.deepEqual(results.map((r) => r.curve.points.length), [1, 2, 3]);
  assert.deepEqual(results.map((r) => r.done), [false, false, true]);
  const last = results[2];
  assert.deepEqual(last.inputs, { users: 2, codes: 'gold', spread: 7, power: [0, 0], ebn0: '0:4:2', level: 6,
    delays: [0, 0], async: false, bits: 2000, seed: 3, lang: 'en' });
  samePoints(last.curve.points, nativeCurve(Query), 'gold');
  // Each result holds the points before it unchanged.
  assert.deepEqual(results[1].curve.points, last.curve.points.slice(0, 2));
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('users delayed by the address get the command line\'s counts and exact rates; drawn delays those it reports', async () => {
  const delayed = { users: 3, codes: 'gold', spread: 7, ebn0: '0:4:4', bits: 3000, seed: 5, power: '0,6,6' };
  const { page } = await embedded('?' + new URLSearchParams({ ...delayed, delays: '0,2,5' }).toString());
  let results = await resultsUntil(page, 'results.some((r) => r.done)', 'the delayed curve');
  let last = results[results.length - 1];
  assert.deepEqual(last.inputs.delays, [0, 2, 5]);
  assert.equal(last.inputs.async, false);
  const native = nativeCurve({ ...delayed, delays: '0,2,5' });
  samePoints(last.curve.points, native, 'delays');
  assert.ok(last.curve.points.every((p) => typeof p.theory_exact === 'number'), 'Gold codes have an exact rate');
  assert.notDeepEqual(last.curve.points.map((p) => p.errors), nativeCurve(delayed).map((p) => p.errors),
    'the delays change what is counted');

  // async=1: the delays drawn from the seed, as the command line draws and reports them.
  const before = results.length;
  await post(page, { type: 'dscdma-lab-set', id: 'a1', async: 1, seed: 8 });
  results = await resultsUntil(page, `results.some((r) => r.id === 'a1' && r.done)`, 'the drawn delays');
  last = results[results.length - 1];
  assert.ok(results.slice(before).every((r) => r.id === 'a1'));
  const drawn = nativeRun({ ...delayed, seed: 8, async: true });
  assert.equal(last.inputs.async, true);
  assert.deepEqual(last.inputs.delays, drawn.delays);
  samePoints(last.curve.points, drawn.points, 'async');

  // Where no formula holds, theory_exact is null, not left out.
  await post(page, { type: 'dscdma-lab-set', id: 'r8', async: 0, delays: '0,0,0,0,0,0,0,0', users: 8, codes: 'random',
    spread: 64, power: '0,1,2,3,4,5,6,7', ebn0: '3:3:1', bits: 300 });
  results = await resultsUntil(page, `results.some((r) => r.id === 'r8' && r.done)`, 'a curve without an exact rate');
  last = results[results.length - 1];
  assert.equal(last.curve.points.length, 1);
  assert.ok('theory_exact' in last.curve.points[0]);
  assert.equal(last.curve.points[0].theory_exact, null);
  assert.equal(typeof last.curve.points[0].theory_gaussian, 'number');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('refused delays, and a family that cannot serve the users, leave the last set-up in force', async () => {
  const { page, frame } = await embedded('?users=3&codes=gold&spread=7&delays=0,2,5&ebn0=0:1:1&bits=500');
  assert.equal(await frame.locator('#unaligned').isChecked(), true);
  assert.equal(await frame.locator('#delay2').inputValue(), '2');
  const delays = () => frame.evaluate(() => [1, 2, 3].map((k) => document.getElementById('delay' + k).value));
  const refusals = [
    // Too many, out of the model's range, as long as a bit, and more users than a family serves
    // at a length: each one line in the notice.
    [{ delays: '0,1,2,3' }, /^Ignored in a message: delays=0,1,2,3: delays takes one delay in chips per user, 3 in all, not "0,1,2,3"$/],
    [{ delays: '0,99,1' }, /^Ignored in a message: delays=0,99,1: delays takes whole numbers of chips 0\.\.63, not "99"$/],
    [{ delays: '0,7,1' }, /^Ignored in a message: .*\b7\b/],
    [{ codes: 'walsh', users: 8, spread: 4 }, /^Ignored in a message: .*walsh/],
    // No level at all: the slider and the curve always have noise.
    [{ ebn0: '' }, /^Ignored in a message: ebn0=: ebn0 takes a number in dB or FROM:TO:STEP, not ""$/],
  ];
  for (const [set, why] of refusals) {
    await frame.evaluate(() => { document.getElementById('notice').textContent = ''; });
    await post(page, { type: 'dscdma-lab-set', ...set });
    await frame.waitForFunction(() => document.getElementById('notice').textContent !== '', null, { timeout: 5000 });
    const notice = await frame.locator('#notice').textContent();
    assert.match(notice, why, JSON.stringify(set));
    assert.equal(notice.split('\n').length, 1);
    assert.deepEqual(await delays(), ['0', '2', '5'], JSON.stringify(set));
    assert.equal(await frame.locator('#codes').inputValue(), 'gold');
    assert.equal(await frame.locator('#users').inputValue(), '3');
  }
  // A control's delay as long as a bit: refused, and the field shows the delay in force.
  await frame.locator('#delay3').fill('7');
  await frame.locator('#delay3').press('Enter');
  await settled(frame);
  assert.match(await frame.locator('#notice').textContent(), /\b7\b/);
  assert.equal(await frame.locator('#delay3').inputValue(), '5');
  // The codes view names the delays and shows the worst over every delay.
  await frame.locator('#tab3').click();
  await settled(frame);
  const said = (await frame.locator('#say3').textContent()).match(/at these delays user 1 correlates with the others at most (\d+), over every delay at most (\d+)\./);
  assert.ok(said, 'the codes at their delays and the worst');
  assert.ok(Number(said[2]) <= 5 && Number(said[1]) <= Number(said[2]), 'Gold codes of 7 chips stay within 5 at every delay');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('settings from the parent start a curve that answers them; from any other window they do nothing', async () => {
  const { page, frame } = await embedded('?' + new URLSearchParams({ ...Query, ebn0: '2' }).toString());
  await resultsUntil(page, 'results.some((r) => r.done)', 'the first curve');
  const before = (await labResults(page)).length;
  // From the sibling frame and from the page to itself: ignored.
  await page.evaluate(() => document.getElementById('sibling').contentWindow.eval(
    "parent.frames[0].postMessage({ type: 'dscdma-lab-set', users: 5 }, '*')"));
  await frame.evaluate(() => window.postMessage({ type: 'dscdma-lab-set', users: 6 }, '*'));
  for (const m of [null, 'dscdma-lab-set', [1], { type: 'DSCDMA-LAB-SET', users: 3 }])
    await post(page, m);
  await post(page, { type: 'dscdma-lab-set', id: 'q7', users: 3, codes: 'random', spread: 16, ebn0: ['4', '1:3:1'],
    power: '0,3,-3', bits: 1500, seed: 9, lang: 'de' });
  const results = await resultsUntil(page, `results.filter((r) => r.id === 'q7' && r.done).length === 1`, 'the answer');
  const answers = results.slice(before);
  assert.ok(answers.every((r) => r.id === 'q7'), 'only the parent\'s set started a curve');
  assert.deepEqual(answers.map((r) => r.curve.points.length), [1, 2, 3]);
  const inputs = answers[2].inputs;
  assert.deepEqual([inputs.users, inputs.codes, inputs.spread, inputs.power, inputs.level, inputs.ebn0, inputs.bits, inputs.seed],
    [3, 'random', 16, [0, 3, -3], 4, '1:3:1', 1500, 9]);
  assert.ok(answers.every((r) => r.inputs.lang === 'de'), 'measured in the language it asked for');
  assert.equal(await frame.locator('#tab0').textContent(), 'Signale');
  samePoints(answers[2].curve.points, nativeCurve({ users: 3, codes: 'random', spread: 16, ebn0: '1:3:1', bits: 1500,
    seed: 9, power: '0,3,-3' }), 'random');
  assert.equal(await frame.locator('#users').inputValue(), '3');
  assert.equal(await frame.locator('#notice').isVisible(), false);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('a refused value is named in the notice line, and the set-up stays as it was', async () => {
  const page = await opened('?users=9&bits=0&seed=12&spread=x');
  const notice = await page.locator('#notice').textContent();
  assert.match(notice, /^Ignored in the address: /);
  assert.match(notice, /users=9: users takes a whole number/);
  assert.match(notice, /bits=0: bits takes a whole number/);
  assert.match(notice, /spread=x: /);
  // The seed alone was taken.
  assert.equal(await page.locator('#users').inputValue(), '4');
  assert.equal(await page.locator('#seed').inputValue(), '12');
  assert.equal(await page.locator('#bits').inputValue(), '100000');

  // Taken one by one, refused together: the model's reason, and nothing of it applied.
  await env.open(page, env.server.origin + '/lab.html?codes=walsh&spread=7&seed=5');
  assert.equal(await page.locator('#notice').textContent(),
    'Ignored in the address: walsh codes take a spreading factor 2, 4, 8, 16, 32 or 64, not 7');
  assert.equal(await page.locator('#codes').inputValue(), 'random');
  assert.equal(await page.locator('#seed').inputValue(), '1');

  // A control's refused text: the notice says why and the control shows the last one taken.
  await page.locator('#bits').fill('12x');
  await page.locator('#bits').press('Enter');
  await settled(page);
  assert.match(await page.locator('#notice').textContent(), /^bits takes a whole number/);
  assert.equal(await page.locator('#bits').inputValue(), '100000');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('an edit while a curve is measured starts it again from the new set-up', async () => {
  // A curve far longer than the test, so that the edit always comes while it is measured.
  const { page, frame } = await embedded('?users=4&spread=16&ebn0=0:100:1&bits=200000&seed=1');
  await frame.locator('#tab2').click();
  await resultsUntil(page, 'results.length >= 1', 'a first point');
  // Whether the table is ever left empty at the end of a task, as a frame would show it.
  await frame.evaluate(() => {
    window.sawEmpty = false;
    new MutationObserver(() => {
      if (document.querySelectorAll('#table2 tbody tr').length === 0)
        window.sawEmpty = true;
    }).observe(document.getElementById('table2'), { childList: true, subtree: true });
  });
  await frame.locator('#seed').fill('2');
  await frame.locator('#seed').press('Enter');
  const results = await resultsUntil(page, 'results.some((r) => r.inputs.seed === 2)', 'a point of the new curve');
  // The table emptied before the new curve's first point.
  assert.equal(await frame.evaluate(() => window.sawEmpty), true);
  const fresh = results.filter((r) => r.inputs.seed === 2);
  assert.equal(fresh[0].curve.points.length, 1, 'the new curve starts at its first point');
  samePoints(fresh[0].curve.points, nativeCurve({ users: 4, codes: 'random', spread: 16, ebn0: '0', bits: 200000, seed: 2 }),
    'after the edit');
  assert.ok(results.filter((r) => r.inputs.seed === 1).length < 101, 'the old curve did not finish');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('the error rate is not drawn again while its first point is measured; the decision values are, as they grow', async () => {
  // A first point far longer than the test: the progress line follows it in every frame, while
  // the chart has nothing new to show.
  const page = await opened('?users=4&spread=16&ebn0=0:100:1&bits=1000000000');
  await page.locator('#tab2').click();
  await page.waitForFunction(() => !document.getElementById('progress').hidden, null, { timeout: 15000 });
  await settled(page);
  const drawnIn = (frames) => page.evaluate((n) => new Promise((resolve) => {
    const before = performance.getEntriesByName('dscdma-lab-drawn').length;
    let count = 0;
    const tick = () => {
      if (++count < n)
        requestAnimationFrame(tick);
      else
        resolve(performance.getEntriesByName('dscdma-lab-drawn').length - before);
    };
    requestAnimationFrame(tick);
  }), frames);
  assert.equal(await drawnIn(120), 0, 'the error rate drawn again');
  // The decision values measure their own and are drawn again as they grow.
  await page.locator('#tab1').click();
  await settled(page);
  assert.ok(await drawnIn(30) > 1, 'the decision values drawn as they grow');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('every view is drawn once, hidden, before the first curve is measured, and the shown one again when shown', async () => {
  const page = await opened('?users=4&spread=16&ebn0=0:14:1&bits=100000');
  await page.waitForFunction(() => performance.getEntriesByName('dscdma-lab-curve-start').length > 0, null,
    { timeout: 15000 });
  const state = () => page.evaluate(() => [0, 1, 2, 3, 4].map((v) => ({
    hidden: document.getElementById('panel' + v).hidden,
    width: document.getElementById('view' + v).style.width,
  })));
  const views = await state();
  assert.equal(views.filter((v) => !v.hidden).length, 1);
  for (const [v, view] of views.entries())
    assert.match(view.width, /^[1-9]\d*px$/, `view ${v} drawn before the curve`);
  // Shown, the error rate is drawn again, with the points measured by then.
  const before = await page.evaluate(() => performance.getEntriesByName('dscdma-lab-drawn').length);
  await page.locator('#tab2').click();
  await settled(page);
  assert.ok(await page.evaluate(() => performance.getEntriesByName('dscdma-lab-drawn').length) > before);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('views whose context the browser gave back empty are drawn again at the screen\'s pixel ratio, a hidden one when shown', async () => {
  const page = await opened('?bits=1000&ebn0=0:1:1', { deviceScaleFactor: 2 });
  await page.waitForFunction(() => performance.getEntriesByName('dscdma-lab-curve-start').length > 0, null,
    { timeout: 15000 });
  // The ground at a view's top-left corner and at its bottom-right one, which a drawing at half
  // the size leaves as it was.
  const corners = async (id) => {
    await settled(page);
    return page.evaluate((id) => {
      const c = document.getElementById(id);
      return [[2, 2], [c.width - 3, c.height - 3]]
        .map(([x, y]) => Array.from(window.shownPixels(id, x, y, 1, 1).slice(0, 3)).join(','));
    }, id);
  };
  const [ground, far] = await corners('view0');
  assert.notEqual(ground, '0,0,0');
  assert.equal(far, ground);
  // What the browser does on a restore: the canvases emptied, their transform and clip gone. A
  // page cannot make it lose a context.
  await page.evaluate(() => { for (const id of ['view0', 'view3']) window.chartContext(id).reset(); });
  assert.deepEqual(await corners('view0'), ['0,0,0', '0,0,0']);
  await page.evaluate(() => {
    for (const id of ['view0', 'view3'])
      document.getElementById(id).dispatchEvent(new Event('contextrestored'));
  });
  assert.deepEqual(await corners('view0'), [ground, ground], 'the shown view');
  await page.locator('#tab3').click();
  assert.deepEqual(await corners('view3'), [ground, ground], 'the hidden view, shown');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('Keep this curve holds curves for comparison until they are forgotten', async () => {
  const page = await opened('?users=2&spread=8&ebn0=0:2:1&bits=3000');
  await page.locator('#tab2').click();
  await page.waitForFunction(() => document.querySelectorAll('#table2 tbody tr').length === 3, null, { timeout: 15000 });
  assert.equal(await page.locator('#forget').isDisabled(), true);
  await page.locator('#keep').click();
  await settled(page);
  assert.match(await page.locator('#say2').textContent(), /; one curve kept for comparison\.$/);
  await page.locator('#spread').selectOption('32');
  await page.waitForFunction(() => document.querySelectorAll('#table2 tbody tr').length === 3, null, { timeout: 15000 });
  await page.locator('#keep').click();
  await settled(page);
  assert.match(await page.locator('#say2').textContent(), /; 2 curves kept/);
  await page.locator('#forget').click();
  await settled(page);
  assert.match(await page.locator('#say2').textContent(), /; 0 curves kept/);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('the link to a set-up opens the same set-up, the slider\'s level and the curve\'s levels both', async () => {
  const page = await opened('?users=3&codes=msequence&spread=15&power=0,6,-6&ebn0=3.5&ebn0=-2:4:0.5&bits=777&seed=42&lang=de');
  await page.locator('#link').click();
  await settled(page);
  const link = await page.locator('#notice a').getAttribute('href');
  assert.match(await page.locator('#notice').textContent(), /^Link zur Einstellung(, kopiert)?: http/);
  const again = await opened(new URL(link).search);
  const controls = (p) => p.evaluate(() => ['users', 'codes', 'spread', 'power1', 'power2', 'power3', 'level', 'curveFrom',
    'curveTo', 'curveStep', 'bits', 'seed'].map((id) => document.getElementById(id).value));
  assert.deepEqual(await controls(again), ['3', 'msequence', '15', '0', '6', '-6', '3.5', '-2', '4', '0.5', '777', '42']);
  assert.deepEqual(await controls(again), await controls(page));
  assert.equal(await again.evaluate(() => document.documentElement.lang), 'de');
  assert.equal(await again.locator('#notice').isVisible(), false);
  await page.close();
  await again.close();
});

// The module the page made, caught as the page creates it.
async function withModule(options) {
  const page = await env.page(options);
  await page.context().addInitScript(() => {
    let factory;
    Object.defineProperty(window, 'createDscdmaLab', {
      configurable: true,
      get: () => (factory ? (...args) => factory(...args).then((m) => (window.labModule = m)) : undefined),
      set: (f) => { factory = f; },
    });
  });
  return page;
}

test('in English and German every text of the page and its charts has an entry, and every lab entry is used', async () => {
  for (const lang of ['en', 'de']) {
    const keys = labKeys(lang).filter((k) => k !== 'The next lessons: noise, more users, codes');
    const used = new Set();
    const note = async (page, frame, label) => {
      const r = await frame.evaluate(() => ({ missed: window.labModule.missedKeys(), used: window.labModule.usedKeys() }));
      assert.deepEqual(r.missed, [], `${lang} ${label}`);
      r.used.forEach((k) => used.add(k));
      assert.deepEqual(page.problems, [], `${lang} ${label}`);
    };
    for (const search of ['?users=1&ebn0=0:1:1&bits=500', '?users=3&codes=walsh&spread=8&bits=500&ebn0=0:1:1',
      '?users=3&codes=msequence&spread=7&delays=0,2,5&bits=500&ebn0=0:1:1',
      '?users=8&spread=64&power=0,1,2,3,4,5,6,7&bits=500&ebn0=0:1:1',
      '?users=5&codes=msequence&spread=15&bits=500&ebn0=0:1:1', '?users=8&codes=gold&spread=31&bits=500&ebn0=0:1:1']) {
      const page = await withModule();
      await env.open(page, env.server.origin + '/lab.html' + search + '&lang=' + lang);
      for (let v = 0; v < 5; ++v) {
        await page.locator('#tab' + v).click();
        await settled(page);
      }
      await page.waitForFunction(() => document.querySelectorAll('#table2 tbody tr').length === 2, null, { timeout: 15000 });
      await page.locator('#keep').click();
      // The kept curve beside the measured one, each named.
      await page.locator('#tab2').click();
      await settled(page);
      // The link copied where the page may write the clipboard.
      await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
      await page.locator('#link').click();
      await page.waitForFunction(() => document.querySelector('#notice a'), null, { timeout: 5000 });
      await settled(page);
      await note(page, page, search);
      await page.context().close();
    }
    // Refusals from the address and from a message, and the link shown where no clipboard is
    // given: inside another origin's page.
    const page = await withModule();
    await page.goto(textbook.origin + '/parent.html?site=' + encodeURIComponent(env.server.origin + '/lab.html?users=9&lang=' + lang));
    await page.waitForFunction(() => window.messages.some((m) => m.data.type === 'dscdma-ready'), null, { timeout: 15000 });
    const frame = page.frames().find((f) => f.parentFrame() && f.url().includes('/lab.html'));
    // The error rate while its first point is measured: a point that takes far longer than a test.
    await frame.locator('#tab2').click();
    await post(page, { type: 'dscdma-lab-set', bits: 1000000000 });
    await frame.waitForFunction(() => !document.getElementById('progress').hidden, null, { timeout: 5000 });
    await post(page, { type: 'dscdma-lab-set', users: { no: 1 }, lang: 'xx' });
    await frame.waitForFunction(() => /users=\[object Object\]/.test(document.getElementById('notice').textContent), null,
      { timeout: 5000 });
    await frame.locator('#link').click();
    await frame.waitForFunction(() => document.querySelector('#notice a'), null, { timeout: 5000 });
    await note(page, frame, 'refusals and the link');
    await page.context().close();
    assert.deepEqual(keys.filter((k) => !used.has(k)), [], `${lang}: entries that nothing uses`);
  }
  // The main page's link to the lab, in German too, and the way back.
  const main = await env.page();
  await env.open(main, env.server.origin + '/index.html?lang=de');
  assert.equal(await main.locator('#next').textContent(), 'Die nächsten Lektionen: Rauschen, mehr Nutzer, Codes');
  assert.equal(await main.locator('#next').getAttribute('href'), 'lab.html');
  await main.locator('#next').click();
  await main.waitForFunction(() => document.documentElement.dataset.state === 'ready', null, { timeout: 15000 });
  assert.equal(await main.locator('#back').getAttribute('href'), './');
  await main.context().close();
});

test('the lab opened once opens again without a network and measures', async () => {
  const server = await startServer(process.env.DSCDMA_WEB_SITE);
  const context = await env.browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  await page.goto(server.origin + '/lab.html?bits=1000&ebn0=0:1:1');
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null, { timeout: 15000 });
  await context.setOffline(true);
  await server.close();
  await page.reload();
  await page.waitForFunction(() => document.documentElement.dataset.state === 'ready', null, { timeout: 15000 });
  await page.locator('#tab2').click();
  await page.waitForFunction(() => document.querySelectorAll('#table2 tbody tr').length === 2, null, { timeout: 15000 });
  assert.equal(await page.locator('#tab2').textContent(), 'Error rate', 'the language file too');
  await context.close();
});
