// The page and the lab in WebKit: WebKitGTK's MiniBrowser, driven over WebDriver on a private X
// display. The window's picture of each chart is compared with the chart's own pixels, since a
// browser can hold a picture that it does not show.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { spawn } from 'node:child_process';
import { site } from './support/site.mjs';
import { startServer } from './support/server.mjs';

// The charts' grounds: channel A's and B's colours, white for the composite signal, and the
// colour of the channel received for the recovered signals.
const ChannelA = [221, 221, 255];
const ChannelB = [249, 235, 193];
const Grounds = { rca: ChannelA, rcb: ChannelB, rcc: [255, 255, 255], rcd: ChannelA };
// The button face, around the lab's views.
const Face = [192, 192, 192];
const driverProgram = process.env.DSCDMA_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';
// The browser comes with WebKitGTK's library, in its folder for this machine's architecture.
const browserProgram = process.env.DSCDMA_WEBKIT_BROWSER || (() => {
  for (const dir of fs.existsSync('/usr/lib') ? fs.readdirSync('/usr/lib') : []) {
    const file = path.join('/usr/lib', dir, 'webkit2gtk-4.1', 'MiniBrowser');
    if (fs.existsSync(file))
      return file;
  }
  return '';
})();
const xServer = '/usr/bin/Xvfb';
const skip = [driverProgram, browserProgram, xServer].every((f) => f && fs.existsSync(f)) ? false
  : 'no WebKitWebDriver, MiniBrowser or Xvfb on this machine';

// Polls `check` every 100 ms until it answers something other than undefined, for `ms` at most;
// `what` says what was awaited (a function: asked when the time is up).
async function poll(what, ms, check) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value !== undefined)
      return value;
    if (Date.now() > end)
      throw new Error(`${typeof what === 'function' ? what() : what}: not within ${ms} ms`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// A process that must not outlive the tests, and what it wrote to its error output.
function started(program, args, options) {
  const child = spawn(program, args, options);
  child.errors = '';
  child.stderr?.on('data', (chunk) => { child.errors = (child.errors + chunk).slice(-4000); });
  return child;
}

// Xvfb on the first free display, which it names through a pipe.
async function startDisplay() {
  const x = started(xServer, ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
  const display = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('Xvfb named no display within 10 s: ' + x.errors)), 10000);
    x.stdio[3].on('data', (chunk) => {
      text += chunk;
      if (text.includes('\n')) {
        clearTimeout(timer);
        resolve(':' + text.trim());
      }
    });
    x.once('exit', (code) => { clearTimeout(timer); reject(new Error(`Xvfb ended with ${code}: ${x.errors}`)); });
  });
  return { x, display };
}

async function freePort() {
  const server = net.createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

let server;
let x;
let driver;
let runtime;
let webdriver;
// Also when the test run ends otherwise than by its end.
process.on('exit', () => {
  driver?.kill();
  x?.kill();
});
before(async () => {
  if (skip)
    return;
  server = await startServer(site);
  let display;
  ({ x, display } = await startDisplay());
  runtime = fs.mkdtempSync(path.join(os.tmpdir(), 'dscdma-webkit-'));
  const port = await freePort();
  driver = started(driverProgram, ['--port=' + port], {
    stdio: ['ignore', 'ignore', 'pipe'],
    // One device pixel to a CSS pixel whatever the desktop's scale: the charts are compared in pixels.
    env: { ...process.env, DISPLAY: display, XDG_RUNTIME_DIR: runtime, GDK_SCALE: '1', GDK_DPI_SCALE: '1' },
  });
  webdriver = `http://127.0.0.1:${port}`;
  await poll('WebKitWebDriver ready', 15000, async () => {
    if (driver.exitCode !== null)
      throw new Error(`WebKitWebDriver ended with ${driver.exitCode}: ${driver.errors}`);
    try {
      const r = await fetch(webdriver + '/status');
      return (await r.json()).value?.ready ? true : undefined;
    } catch {
      return undefined;
    }
  });
});
after(async () => {
  driver?.kill();
  x?.kill();
  await server?.close();
  if (runtime)
    fs.rmSync(runtime, { recursive: true, force: true });
});

// One WebDriver command; answers its value, or throws its error.
async function command(method, url, body) {
  const r = await fetch(webdriver + url, {
    method,
    headers: { 'Content-Type': 'application/json' },
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const answer = await r.json();
  if (!r.ok)
    throw new Error(`${method} ${url}: ${answer.value?.error} ${answer.value?.message}`);
  return answer.value;
}

async function openSession() {
  const { sessionId } = await command('POST', '/session', {
    capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': { binary: browserProgram, args: ['--automation'] } } },
  });
  const at = `/session/${sessionId}`;
  const session = {
    open: (url) => command('POST', at + '/url', { url }),
    run: (script, args = []) => command('POST', at + '/execute/sync', { script, args }),
    runAsync: (script, args = []) => command('POST', at + '/execute/async', { script, args }),
    element: async (css) => Object.values(await command('POST', at + '/element', { using: 'css selector', value: css }))[0],
    // What the window shows, as a PNG in base 64. (WebKitGTK's screenshots of single elements
    // leave a canvas black.)
    shot: () => command('GET', at + '/screenshot'),
    click: async (css) => command('POST', `${at}/element/${await session.element(css)}/click`, {}),
    type: async (css, text) => {
      const element = await session.element(css);
      await command('POST', `${at}/element/${element}/clear`, {});
      await command('POST', `${at}/element/${element}/value`, { text });
    },
    close: () => command('DELETE', at),
  };
  await command('POST', at + '/window/rect', { width: 1000, height: 800 });
  return session;
}

// How far what the window shows of a chart is from what its canvas holds: the share of pixels
// that differ by more than a few levels in a channel; and the share of the chart's ground colour
// in what is shown. In the page, which decodes the PNG. A canvas laid out at a fraction of a
// pixel is shown at a whole one, on either side.
const Compare = `
  const [id, png, ground, done] = arguments;
  const canvas = document.getElementById(id);
  const box = canvas.getBoundingClientRect();
  const left = box.left + canvas.clientLeft;
  const top = box.top + canvas.clientTop;
  const pixels = (source, x, y) => {
    const c = document.createElement('canvas');
    c.width = canvas.width;
    c.height = canvas.height;
    const g = c.getContext('2d');
    g.drawImage(source, x, y, c.width, c.height, 0, 0, c.width, c.height);
    return g.getImageData(0, 0, c.width, c.height).data;
  };
  const share = (held, shown) => {
    let differ = 0;
    for (let i = 0; i < held.length; i += 4) {
      if (Math.abs(held[i] - shown[i]) > 8 || Math.abs(held[i + 1] - shown[i + 1]) > 8 || Math.abs(held[i + 2] - shown[i + 2]) > 8)
        ++differ;
    }
    return differ / (held.length / 4);
  };
  const image = new Image();
  image.onload = () => {
    const held = pixels(canvas, 0, 0);
    let best = { share: 2 };
    for (const x of new Set([Math.floor(left), Math.ceil(left)])) {
      for (const y of new Set([Math.floor(top), Math.ceil(top)])) {
        const shown = pixels(image, x, y);
        let grounds = 0;
        for (let i = 0; i < shown.length; i += 4)
          grounds += shown[i] === ground[0] && shown[i + 1] === ground[1] && shown[i + 2] === ground[2];
        const s = share(held, shown);
        if (s < best.share)
          best = { share: s, ground: grounds / (shown.length / 4) };
      }
    }
    done(best);
  };
  image.onerror = () => done({ share: 2, ground: 0 });
  image.src = 'data:image/png;base64,' + png;`;

// Waits (up to 5 s) until the window shows the chart as its canvas holds it, at least `least` of
// it in `ground`.
async function shownAsHeld(session, id, ground = Grounds[id], least = 0.3) {
  let last = null;
  const what = () => `${id}: ${(100 * last.share).toFixed(1)} % of its pixels shown otherwise than held, ` +
    `${(100 * last.ground).toFixed(1)} % on its ground`;
  await poll(what, 5000, async () => {
    last = await session.runAsync(Compare, [id, await session.shot(), ground]);
    return last.share < 0.01 && last.ground >= least ? true : undefined;
  });
}

// Runs `body` with a browser session on `address` of the site, once the page there is ready.
async function onPage(address, body) {
  const session = await openSession();
  try {
    await session.open(server.origin + address);
    await poll(`${address} ready`, 30000, async () =>
      (await session.run('return document.documentElement.dataset.state')) === 'ready' ? true : undefined);
    await body(session);
  } finally {
    await session.close();
  }
}

test('the four charts show on the screen as drawn, and an edit shows in the receiver\'s chart', { skip }, () =>
  onPage('/index.html', async (session) => {
    const received = () => session.run("return document.getElementById('received').textContent");
    assert.equal(await received(), 'Z');
    for (const id of Object.keys(Grounds))
      await shownAsHeld(session, id);
    // Channel B's number, typed: the receiver recovers W, on channel B's colour.
    await session.type('#keyRx', '44');
    await poll('W received', 5000, async () => (await received()) === 'W' ? true : undefined);
    await shownAsHeld(session, 'rcd', ChannelB);
  }));

test('the lab\'s signals show on the screen as drawn, and so does the error rate when its tab is clicked', { skip }, () =>
  onPage('/lab.html?bits=1000&ebn0=0:1:1', async (session) => {
    await shownAsHeld(session, 'view0', Face, 0.1);
    await session.click('#tab2');
    await shownAsHeld(session, 'view2', Face, 0.1);
  }));
