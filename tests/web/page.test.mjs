// The web page in Debian's chromium: what a user sees and does, against the native model.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { setUp, shown, settled, query, artifacts, site } from './support/site.mjs';
import { startServer } from './support/server.mjs';
import { nativeAnswer } from './support/native.mjs';

// The page's red and green, darker than the desktop's to stand out from the button face.
const Green = 'rgb(0, 90, 0)';
const Red = 'rgb(160, 0, 0)';

let env;
before(async () => { env = await setUp(); });
after(async () => { await env.tearDown(); });

async function opened(search = '', options = {}) {
  const page = await env.page(options);
  await env.open(page, env.server.origin + '/' + search);
  return page;
}

function noProblems(page) {
  assert.deepEqual(page.problems, [], 'console errors, exceptions or failed requests');
}

test('the default case shows Z in green, without a notice, and asks for nothing that is missing', async () => {
  const page = await opened();
  const s = await shown(page);
  assert.deepEqual(s, {
    keyA: '23', keyB: '44', keyRx: '23', a: 'Z', b: 'W', sf: 8, gain: '8',
    received: 'Z', colour: Green, verdict: '', notice: '',
  });
  assert.equal(await page.title(), 'Direct Sequence CDMA');
  // The browser asks for the icon when it likes, after the page is shown: up to 5 s.
  const asked = (path) => env.server.requests.some((r) => r.path === path);
  for (let i = 0; i < 100 && !asked('/dscdma.svg'); ++i)
    await new Promise((resolve) => setTimeout(resolve, 50));
  assert.ok(asked('/dscdma.svg'), 'the page links its icon');
  assert.ok(!asked('/favicon.ico'));
  noProblems(page);
  await page.context().close();
});

test('a key field takes what the desktop field takes and leaves a refused edit as it was', async () => {
  const page = await opened();
  const key = page.locator('#keyA');
  await key.click();
  await page.keyboard.press('End');
  await page.keyboard.type('x');
  assert.equal(await key.inputValue(), '23', 'a letter is refused');
  assert.equal(await key.evaluate((el) => el.selectionStart), 2, 'the caret goes one to the left');

  // Each keystroke is checked on its own: '$', '$2' and '$2C' are all numbers.
  const cases = [
    ['keyA', '$2C', true], ['keyA', '%10111', true], ['keyA', '&27', true], ['keyA', '2.5e3', true],
    ['keyA', '1000000', true], ['keyA', '-1000000', true], ['keyB', '1e', true], ['keyB', '-', true],
    ['keyRx', '1e308', true], ['keyRx', '1e5000', true],
  ];
  for (const [id, text, accepted] of cases) {
    await page.locator('#' + id).fill('');
    await page.locator('#' + id).pressSequentially(text);
    assert.equal(await page.locator('#' + id).inputValue(), accepted ? text : '', `${id} ${text}`);
  }
  // Refused as a whole: beyond the range by one, a space inside, a decimal comma.
  const refused = [['keyA', '1000000', '1'], ['keyA', '-1000000', '1'], ['keyB', '12', ' 3'], ['keyB', '1', ',5']];
  for (const [id, start, more] of refused) {
    await page.locator('#' + id).fill(start);
    await page.locator('#' + id).fill(start + more);
    assert.equal(await page.locator('#' + id).inputValue(), start, `${id} ${start}${more}`);
  }
  noProblems(page);
  await page.context().close();
});

test('every key field edit recomputes at once, as the native model answers', async () => {
  const page = await opened();
  await page.locator('#keyRx').fill('44');
  let s = await shown(page);
  assert.equal(s.received, nativeAnswer({ keyRx: '44' }).shown);
  assert.equal(s.colour, Green);
  await page.locator('#keyRx').fill('7');
  s = await shown(page);
  assert.equal(s.received, nativeAnswer({ keyRx: '7' }).shown);
  assert.equal(s.colour, Red);
  assert.equal(s.verdict, 'Transmission Error');
  await page.close();
});

test('a receiver key too large to round reports the error and keeps the last result', async () => {
  const page = await opened(query({ keyRx: '44' }));
  await page.locator('#keyRx').fill('1e300');
  const s = await shown(page);
  assert.equal(s.keyRx, '1e300', 'the field takes it, as on the desktop');
  assert.equal(s.notice, 'Invalid floating point operation');
  assert.equal(s.received, 'W');
  await page.locator('#keyRx').fill('23');
  const next = await shown(page);
  assert.equal(next.received, 'Z', 'the next change recomputes');
  assert.equal(next.notice, '', 'and the message goes');
  noProblems(page);
  await page.close();
});

test('a character field holds the one character typed last, as on the desktop', async () => {
  const page = await opened();
  const field = page.locator('#charA');
  await field.click();
  const typed = [
    ['q', 'q'], ['Q', 'Q'], ['ä', 'ä'], ['€', '€'], ['ā', '?'], ['😀', '?'], ['Zx', 'x'],
  ];
  for (const [keys, expected] of typed) {
    await page.keyboard.type(keys);
    assert.equal(await field.inputValue(), expected, `typed ${keys}`);
    const s = await shown(page);
    assert.equal(s.received, nativeAnswer({ a: expected, keyRx: '23' }).shown, `received after ${keys}`);
  }
  await page.keyboard.press('Backspace');
  assert.equal(await field.inputValue(), '\b', 'Backspace types the character with code 8');
  assert.equal((await shown(page)).received, 'BS', 'received, it is shown by its name, as on the desktop');
  await page.keyboard.press('Delete');
  assert.equal(await field.inputValue(), '', 'Delete empties the field');
  const s = await shown(page);
  assert.equal(s.received, nativeAnswer({ a: '' }).shown);
  assert.equal(s.verdict, 'Transmission Error', 'an empty field never matches');

  // Pasted text: its first character.
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  await page.evaluate(() => navigator.clipboard.writeText('Hello'));
  await page.locator('#charB').focus();
  await page.keyboard.press('Control+V');
  assert.equal(await page.locator('#charB').inputValue(), 'H');
  noProblems(page);
  await page.close();
});

test('every byte received, as a character or by its name, fits the box that the window keeps for it', async () => {
  const page = await opened('', { viewport: { width: 1000, height: 800 } });
  const outside = await page.evaluate(async () => {
    const field = document.getElementById('charA');
    const received = document.getElementById('received');
    const frame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
    const typed = new TextDecoder('windows-1252');
    const out = [];
    for (let code = 0; code < 256; ++code) {
      field.dispatchEvent(new InputEvent('beforeinput', {
        inputType: 'insertText', data: typed.decode(new Uint8Array([code])), bubbles: true, cancelable: true,
      }));
      await frame();
      const range = document.createRange();
      range.selectNodeContents(received);
      const text = range.getBoundingClientRect();
      const box = received.getBoundingClientRect();
      if (!received.textContent || text.left < box.left || text.right > box.right || text.top < box.top || text.bottom > box.bottom)
        out.push(`${code} "${received.textContent}": ${text.left}..${text.right} in ${box.left}..${box.right}`);
    }
    return out;
  });
  assert.deepEqual(outside, []);
  noProblems(page);
  await page.context().close();
});

test('a page that the browser gives no frames still shows every edit, by timer', async () => {
  const page = await env.page();
  await env.open(page, env.server.origin + '/');
  // As in a hidden tab or a frame scrolled out of view: frames are asked for and never come.
  await page.evaluate(() => {
    let next = 0;
    window.requestAnimationFrame = () => ++next;
    window.cancelAnimationFrame = () => {};
  });
  for (const [key, expected] of [['44', 'W'], ['23', 'Z'], ['44', 'W']]) {
    await page.locator('#keyRx').fill(key);
    await page.waitForFunction((want) => document.getElementById('received').textContent === want, expected,
      { polling: 20, timeout: 5000 });
  }
  noProblems(page);
  await page.context().close();
});

test('an edit\'s frame shows the received character; what a screen reader reads of it follows, once idle', async () => {
  const page = await opened();
  const batches = await page.evaluate(async () => {
    const out = [];
    const watched = ['received', 'receivedSpoken', 'sRca', 'sRcd'].map((id) => document.getElementById(id));
    const observer = new MutationObserver((records) => {
      out.push([...new Set(records.map((r) => (r.target.id || r.target.parentNode.id)))].sort().join(' '));
    });
    for (const el of watched)
      observer.observe(el, { childList: true, characterData: true, subtree: true });
    document.getElementById('charA').dispatchEvent(new InputEvent('beforeinput', {
      inputType: 'insertText', data: 'q', bubbles: true, cancelable: true,
    }));
    const start = performance.now();
    while (out.length < 2 && performance.now() - start < 2000)
      await new Promise((resolve) => setTimeout(resolve, 10));
    observer.disconnect();
    return out;
  });
  assert.deepEqual(batches, ['received', 'receivedSpoken sRca sRcd']);
  assert.match(await page.locator('#sRca').textContent(), /^Channel 1 sends q: /);
  assert.equal(await page.locator('#receivedSpoken').textContent(), 'Received Character: q');
  noProblems(page);
  await page.context().close();
});

test('typing the character already shown does not recompute', async () => {
  const page = await opened();
  await page.evaluate(() => {
    window.announced = 0;
    new MutationObserver(() => { window.announced += 1; })
      .observe(document.getElementById('received'), { childList: true, characterData: true, subtree: true });
  });
  await page.locator('#charA').click();
  await page.keyboard.type('Z');
  await settled(page);
  assert.equal(await page.evaluate(() => window.announced), 0);
  await page.keyboard.type('q');
  await settled(page);
  assert.equal(await page.evaluate(() => window.announced), 1);
  await page.close();
});

test('the spreading factor moves with the keys of a slider and stops at 2 and 20', async () => {
  const page = await opened();
  await page.locator('#spread').focus();
  // Right, Up and Page Up increase; Left, Down and Page Down decrease; the page keys by one.
  const steps = [
    ['ArrowRight', 9], ['ArrowUp', 10], ['PageUp', 11], ['ArrowLeft', 10], ['ArrowDown', 9], ['PageDown', 8],
    ['End', 20], ['ArrowRight', 20], ['ArrowUp', 20], ['PageUp', 20], ['ArrowLeft', 19], ['Home', 2],
    ['ArrowLeft', 2], ['ArrowDown', 2], ['PageDown', 2], ['ArrowRight', 3],
  ];
  for (const [key, value] of steps) {
    await page.keyboard.press(key);
    const s = await shown(page);
    assert.equal(s.sf, value, `after ${key}`);
    assert.equal(s.gain, String(value), 'the processing gain follows');
    assert.equal(s.received, nativeAnswer({ sf: value }).shown);
  }
  // The arrows and the trough, with the mouse.
  await page.locator('#spread .right').click();
  assert.equal((await shown(page)).sf, 4);
  await page.locator('#spread .left').click();
  assert.equal((await shown(page)).sf, 3);
  noProblems(page);
  await page.close();
});

test('a table of scenarios gives what the native model gives', async () => {
  const scenarios = [
    {}, { keyRx: '44' }, { keyRx: '7' }, { sf: 3 }, { keyB: '0', sf: 2 }, { keyA: '23', keyB: '23' },
    { a: '' }, { keyA: '$17' }, { keyRx: '&54' }, { keyRx: '%10111' }, { keyRx: '23.5' }, { keyRx: '22.5' },
    { keyRx: '4294967319' }, { a: 'ä', b: '€' }, { sf: 20 }, { sf: 2, keyRx: '44' }, { keyRx: '-1' },
    { a: 'x', b: 'y', keyA: '1', keyB: '2', keyRx: '2', sf: 5 }, { keyA: '1e3', keyRx: '1000' },
  ];
  const page = await env.page();
  for (const settings of scenarios) {
    await env.open(page, env.server.origin + '/' + query(settings));
    const s = await shown(page);
    const native = nativeAnswer(settings);
    const label = JSON.stringify(settings);
    assert.equal(s.notice, '', label);
    assert.equal(s.received, native.shown, label);
    assert.equal(s.colour, native.ok ? Green : Red, label);
    assert.equal(s.verdict, native.ok ? '' : 'Transmission Error', label);
  }
  noProblems(page);
  await page.close();
});

test('the address sets every input, and the page names each value it ignored', async () => {
  const page = await opened(query({
    a: 'q', b: 'xy', keyA: '12', keyB: 'abc', keyRx: '12', sf: '21', labels: '1', lang: 'fr', extra: 'kept quiet',
  }));
  const s = await shown(page);
  assert.equal(s.a, 'q');
  assert.equal(s.b, 'W', 'two characters are refused');
  assert.equal(s.keyA, '12');
  assert.equal(s.keyB, '44');
  assert.equal(s.keyRx, '12');
  assert.equal(s.sf, 8);
  assert.equal(s.notice, 'Ignored in the address: b=xy, keyB=abc, sf=21, lang=fr');
  assert.equal(await page.locator('#explain').getAttribute('aria-pressed'), 'true');
  assert.equal(s.received, nativeAnswer({ a: 'q', keyA: '12', keyRx: '12' }).shown);
  // Both sides of the spreading factor's limits.
  for (const [sf, taken] of [['1', false], ['2', true], ['20', true], ['21', false], ['8.0', false], ['', false]]) {
    await env.open(page, env.server.origin + '/' + query({ sf }));
    const t = await shown(page);
    assert.equal(t.sf, taken ? Number(sf) : 8, `sf=${sf}`);
    assert.equal(t.notice, taken ? '' : `Ignored in the address: sf=${sf}`, `sf=${sf}`);
  }
  noProblems(page);
  await page.close();
});

test('the link to this set-up opens the same set-up', async () => {
  const page = await env.page();
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  await env.open(page, env.server.origin + '/');
  await page.locator('#keyRx').fill('44');
  await page.locator('#charB').click();
  await page.keyboard.type('&');
  await page.locator('#spread').focus();
  await page.keyboard.press('End');
  await page.locator('#explain').click();
  await page.locator('#link').click();
  await page.waitForFunction(() => !document.getElementById('notice').hidden, null, { timeout: 5000 });
  const link = await page.locator('#notice a').textContent();
  assert.equal(await page.locator('#notice a').getAttribute('href'), link);
  assert.equal(await page.evaluate(() => String(window.getSelection())), link, 'selected, to copy by hand');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), link);
  const url = new URL(link);
  assert.deepEqual(Object.fromEntries(url.searchParams), {
    a: 'Z', b: '&', keyA: '23', keyB: '44', keyRx: '44', sf: '20', labels: '1', lang: 'en',
  });
  const before = await shown(page);
  const again = await opened(url.search);
  const after = await shown(again);
  assert.deepEqual({ ...after, notice: '' }, { ...before, notice: '' });
  assert.equal(after.notice, '');
  await again.close();
  await page.close();
});

test('Tab goes through the controls in the desktop window order', async () => {
  const page = await opened();
  await page.evaluate(() => document.activeElement.blur());
  const order = [];
  for (let i = 0; i < 9; ++i) {
    await page.keyboard.press('Tab');
    order.push(await page.evaluate(() => document.activeElement.id));
  }
  assert.deepEqual(order, ['keyA', 'keyB', 'keyRx', 'charA', 'charB', 'spread', 'explain', 'about', 'link']);
  await page.close();
});

test('controls carry the accessible names and descriptions of the desktop window', async () => {
  const page = await opened();
  const names = await page.evaluate(() => {
    const name = (id) => document.getElementById(id).getAttribute('aria-label');
    const description = (id) => document.getElementById(id).getAttribute('aria-describedby')
      .split(' ').map((d) => document.getElementById(d).textContent).join(' ');
    return {
      keyA: name('keyA'), keyB: name('keyB'), keyRx: name('keyRx'), charA: name('charA'), spread: name('spread'),
      rcd: name('rcd'), keyADescription: description('keyA'), spreadDescription: description('spread'),
      spoken: document.getElementById('receivedSpoken').textContent,
      live: document.getElementById('receivedSpoken').getAttribute('aria-live'),
      verdictRole: document.getElementById('verdict').getAttribute('role'),
      explain: document.getElementById('explain').textContent,
    };
  });
  assert.deepEqual(names, {
    keyA: 'Channel Number of channel A', keyB: 'Channel Number of channel B', keyRx: 'Receiver Channel Number',
    charA: 'Character to transmit on channel A', spread: 'Spreading factor, 2 to 20', rcd: 'Recovered Signals',
    keyADescription: 'A number that selects the chip sequence',
    spreadDescription: 'Chips per bit, shown as the processing gain',
    spoken: 'Received Character: Z', live: 'polite', verdictRole: 'status', explain: 'Show Explanations',
  });
  // A received character that cannot be read out is spoken as its code.
  await page.locator('#keyRx').fill('$ff');
  await settled(page);
  const spoken = await page.locator('#receivedSpoken').textContent();
  const code = nativeAnswer({ keyRx: '$ff' }).code;
  const char = String.fromCharCode(code);
  assert.ok(spoken === 'Received Character: ' + char || spoken === `Received Character: character code ${code}`, spoken);
  await page.close();
});

test('the explanations button shows the explanations and the About button the About box', async () => {
  const page = await opened();
  await page.locator('#explain').click();
  await settled(page);
  assert.equal(await page.locator('#explain').getAttribute('aria-pressed'), 'true');
  assert.ok(await page.locator('#explanations').isVisible());
  await page.locator('#explanations .close').click();
  await settled(page);
  assert.ok(!(await page.locator('#explanations').isVisible()), 'closed by its title bar');
  assert.equal(await page.locator('#explain').getAttribute('aria-pressed'), 'false', 'closing releases the button');
  await page.locator('#explain').click();
  await settled(page);
  assert.ok(await page.locator('#explanations').isVisible(), 'the next click shows both again');
  // Escape closes it from anywhere but a character field, where it types its character.
  await page.locator('#keyA').focus();
  await page.keyboard.press('Escape');
  await settled(page);
  assert.ok(!(await page.locator('#explanations').isVisible()), 'Escape in a key field');
  assert.equal(await page.locator('#explain').getAttribute('aria-pressed'), 'false');
  await page.locator('#explain').click();
  await page.locator('#charA').focus();
  await page.keyboard.press('Escape');
  await settled(page);
  assert.equal(await page.locator('#charA').inputValue(), '\x1b');
  assert.ok(await page.locator('#explanations').isVisible(), 'Escape in a character field types its character');
  await page.locator('#MMExplain').focus();
  await page.keyboard.press('Escape');
  await settled(page);
  assert.ok(!(await page.locator('#explanations').isVisible()), 'Escape in the panel');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'explain', 'the focus goes to the button');

  await page.locator('#about').click();
  const box = page.locator('#aboutBox');
  assert.ok(await box.isVisible());
  assert.equal(await page.locator('#LblName').textContent(), 'DS-CDMA');
  assert.equal(await page.locator('#LblVersion').textContent(), 'Version 1.0');
  assert.equal(await page.locator('#LblWebSite').textContent(), 'More information can be found at the following Web sites:');
  // The link under the mouse turns red; the bare panel turns it blue again.
  await page.locator('#LblSimus').hover();
  assert.equal(await page.locator('#LblSimus').evaluate((el) => getComputedStyle(el).color), Red);
  await page.locator('#LblHomePage').hover();
  assert.equal(await page.locator('#LblSimus').evaluate((el) => getComputedStyle(el).color), Red);
  await page.locator('#Panel2').hover({ position: { x: 300, y: 58 } });
  assert.equal(await page.locator('#LblSimus').evaluate((el) => getComputedStyle(el).color), 'rgb(0, 0, 255)');
  await page.keyboard.press('Escape');
  assert.ok(!(await box.isVisible()));
  assert.equal(await page.evaluate(() => document.activeElement.id), 'about');
  await page.locator('#about').click();
  await page.keyboard.press('Enter');
  assert.ok(!(await box.isVisible()), 'Return on OK closes the box');
  noProblems(page);
  await page.close();
});

test('"Show as table" gives a sentence per chart and every trace per bit, kept up to date and read out politely', async () => {
  const page = await opened(query({ sf: 3 }));
  const sentences = () => page.evaluate(() => ['sRca', 'sRcb', 'sRcc', 'sRcd'].map((id) => document.getElementById(id).textContent));
  // The sentences describe the charts also while the table is hidden.
  await settled(page);
  assert.equal(await page.locator('#alt').isVisible(), false);
  assert.equal(await page.evaluate(() => document.getElementById('rca').getAttribute('aria-describedby')), 'dRca sRca');
  let s = await sentences();
  assert.equal(s[0], 'Channel 1 sends Z: 0 1 0 1 1 0 1 0.');
  assert.equal(s[1], 'Channel 2 sends W: 1 1 1 0 1 0 1 0.');
  assert.match(s[2], /^The composite signal, the sum of both spread signals, over 24 chips: \d+ at \+2, \d+ at 0, \d+ at -2\.$/);
  const counts = s[2].match(/(\d+) at \+2, (\d+) at 0, (\d+) at -2/).slice(1).map(Number);
  assert.equal(counts[0] + counts[1] + counts[2], 24);
  assert.equal(s[3], 'The receiver with channel number 23 follows channel 1 and recovers Z: 0 1 0 1 1 0 1 0, received correctly.');

  await page.locator('#table').click();
  await settled(page);
  assert.equal(await page.locator('#table').getAttribute('aria-pressed'), 'true');
  assert.equal(await page.locator('#summary').getAttribute('aria-live'), 'polite');
  const table = await page.evaluate(() => [...document.querySelectorAll('#traces tr')].map((tr) =>
    [...tr.cells].map((c) => c.textContent)));
  assert.equal(table.length, 1 + 4 + 11, 'a head, a row per chart and per trace');
  assert.deepEqual(table[0], ['Trace', 'Bit 1', 'Bit 2', 'Bit 3', 'Bit 4', 'Bit 5', 'Bit 6', 'Bit 7', 'Bit 8']);
  assert.deepEqual(table[1], ['Channel 1']);
  assert.deepEqual(table[2], ['A: Data of channel 1', '0', '1', '0', '1', '1', '0', '1', '0']);
  assert.equal(table[3][1].split(' ').length, 3, 'three chips per bit');
  const composite = table.find((row) => row[0].startsWith('G:'));
  const values = composite.slice(1).join(' ').split(' ').map(Number);
  assert.equal(values.filter((v) => v === 2).length, counts[0], 'the sentence counts what the table lists');

  // An edit changes both: the receiver on channel 2 at no channel.
  await page.locator('#keyRx').fill('7');
  await settled(page);
  s = await sentences();
  assert.match(s[3], /^The receiver with channel number 7 matches no channel and recovers .+: [01 ]+, a transmission error\.$/);
  const bits = await page.evaluate(() => [...[...document.querySelectorAll('#traces tr')]
    .find((tr) => tr.cells[0].textContent.startsWith('K:')).cells].slice(1).map((c) => (Number(c.textContent) > 0 ? '1' : '0')).join(' '));
  assert.ok(s[3].includes(': ' + bits + ','), 'the sentence gives the recovered bits the table lists');

  // German, from the address.
  await env.open(page, env.server.origin + '/' + query({ lang: 'de', b: 'k' }));
  await page.locator('#table').click();
  await settled(page);
  s = await sentences();
  assert.equal(s[1], 'Kanal 2 sendet k: 1 1 0 1 0 1 1 0.');
  assert.equal(await page.locator('#table').textContent(), 'Als Tabelle zeigen');
  assert.equal(await page.locator('#traces th').first().textContent(), 'Kurve');
  noProblems(page);
  await page.close();
});

test('the explanations panel moves by finger as by mouse, and stays where its title bar can be reached', async () => {
  const page = await opened(query({ labels: 1 }), { hasTouch: true, viewport: { width: 1000, height: 800 } });
  await settled(page);
  const panel = page.locator('#explanations');
  const bar = await page.locator('#explanations .titlebar').boundingBox();
  const start = await panel.boundingBox();
  const cdp = await page.context().newCDPSession(page);
  const x = bar.x + 60;
  const y = bar.y + bar.height / 2;
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
  for (let i = 1; i <= 5; ++i)
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x: x + 20 * i, y: y + 10 * i }] });
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  let moved = await panel.boundingBox();
  assert.deepEqual([moved.x - start.x, moved.y - start.y], [100, 50], 'by finger');

  await page.mouse.move(x + 100, y + 50);
  await page.mouse.down();
  await page.mouse.move(x + 50, y + 30, { steps: 4 });
  await page.mouse.up();
  moved = await panel.boundingBox();
  assert.deepEqual([moved.x - start.x, moved.y - start.y], [50, 30], 'by mouse');

  // Dragged far off, its title bar stays inside the window.
  await page.mouse.move(x + 50, y + 30);
  await page.mouse.down();
  await page.mouse.move(x + 5000, y + 5000, { steps: 2 });
  await page.mouse.up();
  const form = await page.locator('#form').boundingBox();
  const title = await page.locator('#explanations .titlebar').boundingBox();
  assert.ok(title.x + 40 <= form.x + form.width && title.y + title.height <= form.y + form.height, JSON.stringify(title));
  noProblems(page);
  await page.close();
});

// A pixel that a chart's element shows, as rgb(r, g, b), at CSS position (x, y), once drawn.
async function pixel(page, id, x, y) {
  await settled(page);
  return page.evaluate(([id, x, y]) => {
    const canvas = document.getElementById(id);
    const ratio = canvas.width / canvas.clientWidth;
    const d = window.shownPixels(id, Math.floor(x * ratio), Math.floor(y * ratio), 1, 1);
    return `rgb(${d[0]}, ${d[1]}, ${d[2]})`;
  }, [id, x, y]);
}

test('the four charts are drawn, the receiver chart in the colour of the channel it recovers', async () => {
  // Drawn on offscreen canvases in a Chromium that has them, else on the elements themselves.
  const noOffscreen = () => { delete window.OffscreenCanvasRenderingContext2D; };
  const webKit = () => { Object.defineProperty(Navigator.prototype, 'vendor', { get: () => 'Apple Computer, Inc.' }); };
  const ways = [
    ['offscreen', null, true],
    ['without offscreen canvases', noOffscreen, false],
    ['in WebKit', webKit, false],
  ];
  for (const [how, setUp, handedOver] of ways) {
    const page = await env.page();
    if (setUp)
      await page.addInitScript(setUp);
    await env.open(page, env.server.origin + '/' + query({ keyRx: '44' }));
    const blue = 'rgb(221, 221, 255)';
    const yellow = 'rgb(249, 235, 193)';
    // Inside each plot area, right of the left margin and below the caption.
    assert.equal(await pixel(page, 'rca', 394, 30), blue, how);
    assert.equal(await pixel(page, 'rcb', 394, 30), yellow, how);
    assert.equal(await pixel(page, 'rcc', 394, 25), 'rgb(255, 255, 255)', how);
    assert.equal(await pixel(page, 'rcd', 394, 25), yellow, how + ': receiver key 44, channel 2');
    await page.locator('#keyRx').fill('7');
    assert.equal(await pixel(page, 'rcd', 394, 25), 'rgb(255, 255, 255)', how + ': no channel, white');
    await page.locator('#keyRx').fill('23');
    assert.equal(await pixel(page, 'rcd', 394, 25), blue, how);
    // Trace A in dark red somewhere along its band.
    const red = await page.evaluate(() => {
      const d = window.shownPixels('rca');
      let n = 0;
      for (let i = 0; i < d.length; i += 4)
        if (d[i] === 221 && d[i + 1] === 0 && d[i + 2] === 0)
          ++n;
      return n;
    });
    assert.ok(red > 500, `${how}: dark red pixels: ${red}`);
    // An element that handed its drawing over has no context of its own.
    const ownContext = await page.evaluate(() => {
      try {
        return !!document.getElementById('rca').getContext('2d');
      } catch (e) {
        return e.name;
      }
    });
    assert.equal(ownContext, handedOver ? 'InvalidStateError' : true, how);
    noProblems(page);
    await page.close();
  }
});

test('a step trace is drawn in whole pixels of its colour, also where its chips meet', async () => {
  const page = await opened(query({ sf: '20' }));
  await settled(page);
  // Inside chart 1's plot area (within its border) only its own colours: the background, the
  // grid and the traces in black, silver and dark red; a pixel half covered where two segments of
  // a trace meet would show a blend.
  const blends = await page.evaluate(() => {
    const c = document.getElementById('rca');
    const ratio = c.width / c.clientWidth;
    const d = window.shownPixels('rca', 11 * ratio, 21 * ratio, 756 * ratio, 114 * ratio);
    const own = new Set(['0,0,0', '192,192,192', '221,0,0', '221,221,255']);
    const found = {};
    for (let i = 0; i < d.length; i += 4) {
      const colour = `${d[i]},${d[i + 1]},${d[i + 2]}`;
      if (!own.has(colour))
        found[colour] = (found[colour] || 0) + 1;
    }
    return found;
  });
  assert.deepEqual(blends, {});
  noProblems(page);
  await page.close();
});

test('German, from the address or from the browser, with the texts of the German language file', async () => {
  for (const [search, locale] of [[query({ lang: 'de', keyRx: '7' }), 'en-GB'], [query({ keyRx: '7' }), 'de-DE']]) {
    const page = await opened(search, { locale });
    const texts = await page.evaluate(() => {
      const $ = (id) => document.getElementById(id);
      return {
        lang: document.documentElement.lang, label1: $('Label1').textContent, label5: $('Label5').textContent,
        explain: $('explain').textContent, about: $('about').textContent, gain: $('gainText').textContent,
        verdict: $('verdict').textContent, keyA: $('keyA').getAttribute('aria-label'),
        webSite: $('LblWebSite').textContent, rcd: $('rcd').getAttribute('aria-label'),
        explanation: $('MMExplain').textContent.slice(0, 20),
      };
    });
    assert.deepEqual(texts, {
      lang: 'de', label1: 'Gesendetes Zeichen auf Kanal A', label5: 'Kanal-Nr. des Empfängers',
      explain: 'Erklärungen zeigen', about: 'Info', gain: 'Prozessgewinn', verdict: 'Übertragungsfehler',
      keyA: 'Kanalnummer von Kanal A', webSite: 'Mehr Informationen finden Sie auf folgenden Webseiten:',
      rcd: 'Signale im Empfänger', explanation: 'A und D: die 8 Bits ',
    }, search + ' ' + locale);
    noProblems(page);
    await page.close();
  }
  const english = await opened('', { locale: 'fr-FR' });
  assert.equal(await english.locator('#Label1').textContent(), 'Character to transmit on channel A');
  assert.equal(await english.locator('#MMExplain').evaluate((el) => el.textContent.slice(0, 20)), 'A and D: the 8 bits ');
  await english.close();
});

test('the page starts the module and its language in its head, and comes up without that start where a host forbids it', async () => {
  // As sent: the head's script fetched both before the page's own script ran.
  const page = await opened(query({ lang: 'de' }));
  const started = await page.evaluate(() => {
    const parsed = performance.getEntriesByType('navigation')[0].domInteractive;
    const fetched = (name) => performance.getEntriesByType('resource').filter((e) => e.name.endsWith('/' + name));
    return {
      boot: typeof window.dscdmaBoot === 'object' && window.dscdmaBoot.lang,
      first: performance.getEntriesByName('dscdma-first-picture').length,
      wasm: fetched('dscdma.wasm').map((e) => e.startTime < parsed),
      language: fetched('dscdma.de.itl').map((e) => e.startTime < parsed),
    };
  });
  assert.equal(started.boot, 'de');
  assert.equal(started.first, 1, 'one mark at the first picture');
  assert.deepEqual(started.wasm, [true], 'the module is fetched once, before the page is parsed');
  assert.deepEqual(started.language, [true], 'the language file too');
  await page.close();

  // A policy without inline scripts, and a server that sends the module as plain bytes: the page
  // fetches and compiles it itself, or compiles it from its bytes.
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'dscdma-wasm-'));
  const bytes = path.join(folder, 'dscdma.wasm.bin');
  fs.copyFileSync(path.join(site, 'dscdma.wasm'), bytes);
  const hosts = [
    ['no inline script', await startServer(site, {}, { 'Content-Security-Policy': "script-src 'self' 'wasm-unsafe-eval'" })],
    ['the module as plain bytes', await startServer(site, { '/dscdma.wasm': bytes })],
  ];
  try {
    for (const [host, server] of hosts) {
      const other = await env.page();
      await env.open(other, server.origin + '/' + query({ keyRx: '44', lang: 'de' }));
      const s = await shown(other);
      assert.equal(s.received, nativeAnswer({ keyRx: '44' }).shown, host);
      assert.equal(await other.locator('#Label1').textContent(), 'Gesendetes Zeichen auf Kanal A', host);
      const fetched = await other.evaluate(() => performance.getEntriesByType('resource').filter((e) => e.name.endsWith('/dscdma.wasm')).length);
      assert.equal(fetched, 1, host + ': the module fetched once');
      // The blocked inline script is the only complaint the policy may cause.
      other.problems = other.problems.filter((p) => !/Content Security Policy|inline script/i.test(p));
      noProblems(other);
      await other.context().close();
    }
  } finally {
    for (const [, server] of hosts)
      await server.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('the first picture is marked with the charts drawn and the texts in their language, and waits for nothing else', async () => {
  for (const [lang, label1] of [['en', 'Character to transmit on channel A'], ['de', 'Gesendetes Zeichen auf Kanal A']]) {
    const page = await env.page();
    // What the page shows at its mark, read in the task that makes it.
    await page.addInitScript(() => {
      const mark = performance.mark.bind(performance);
      performance.mark = (name, ...rest) => {
        if (name === 'dscdma-first-picture') {
          const colours = (id) => {
            // Drawn, though not yet shown: the browser shows it with the frame.
            const g = window.chartContext(id);
            const data = g.getImageData(0, 0, g.canvas.width, g.canvas.height).data;
            const seen = new Set();
            for (let i = 0; i < data.length; i += 4)
              seen.add((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
            return seen.size;
          };
          window.atFirstPicture = {
            colours: ['rca', 'rcb', 'rcc', 'rcd'].map(colours),
            label1: document.getElementById('Label1').textContent,
            lang: document.documentElement.lang,
            loaded: performance.getEntriesByType('resource').map((e) => new URL(e.name).pathname).sort(),
          };
        }
        return mark(name, ...rest);
      };
    });
    await env.open(page, env.server.origin + '/' + query({ lang }));
    const at = await page.evaluate(() => window.atFirstPicture);
    assert.ok(at.colours.every((n) => n >= 3), lang + ': every chart drawn at the mark, not only its ground: ' + at.colours);
    assert.equal(at.label1, label1, lang);
    assert.equal(at.lang, lang);
    assert.deepEqual(at.loaded, ['/dscdma-page.js', '/dscdma.' + lang + '.itl', '/dscdma.css', '/dscdma.js', '/dscdma.wasm'].sort(),
      lang + ': only the module, its loader, the page\'s script and style and the language file before the picture');
    noProblems(page);
    await page.context().close();
  }
});

test('a browser without WebAssembly gets one clear sentence', async () => {
  const page = await env.page();
  await page.addInitScript(() => { delete window.WebAssembly; });
  await env.open(page, env.server.origin + '/');
  assert.equal(await page.locator('#nowasm').textContent(),
    'This simulation needs a browser with WebAssembly; this browser has none.');
  assert.ok(!(await page.locator('#form').isVisible()));
  noProblems(page);
  await page.close();
});

test('one screenshot per language is kept', async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  for (const lang of ['en', 'de']) {
    const page = await opened(query({ lang }), { viewport: { width: 931, height: 709 } });
    const file = path.join(artifacts, `page-${lang}.png`);
    await page.locator('#frame').screenshot({ path: file });
    assert.ok(fs.statSync(file).size > 10000, file);
    noProblems(page);
    await page.close();
  }
});
