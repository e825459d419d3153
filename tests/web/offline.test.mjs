// Offline and installable: a page opened once opens again without a network, a new version of the
// site replaces the kept one on the next visit with a network, the host can turn it off, and
// the manifest is one a browser installs from.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { site, shown, settled } from './support/site.mjs';
import { startServer } from './support/server.mjs';
import { launch, watchedPage, openPage } from './support/browser.mjs';

let browser;
let copy; // a copy of the site that the tests change
before(async () => {
  browser = await launch();
  copy = fs.mkdtempSync(path.join(os.tmpdir(), 'dscdma-site-'));
  fs.cpSync(site, copy, { recursive: true });
});
after(async () => {
  await browser.close();
  fs.rmSync(copy, { recursive: true, force: true });
});

// A fresh browser profile on the copy, served until told; the page opened once and its worker
// in control.
async function visited() {
  const server = await startServer(copy);
  const context = await browser.newContext({ viewport: { width: 1000, height: 900 } });
  const page = await watchedPage(context);
  await openPage(page, server.origin + '/index.html?keyRx=44');
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null, { timeout: 15000 });
  return { server, context, page };
}

// Polls, within a bound, until an asynchronous check in the page holds.
async function until(page, check, what) {
  const deadline = Date.now() + 15000;
  while (!(await page.evaluate(check))) {
    if (Date.now() > deadline)
      throw new Error('not within 15 s: ' + what);
    await page.waitForTimeout(50);
  }
}

// No network at all: the browser offline and the server gone.
async function offline({ server, context }) {
  await context.setOffline(true);
  await server.close();
}

test('a page opened once opens again without a network and works', async () => {
  const visit = await visited();
  await offline(visit);
  const { page } = visit;
  await page.reload();
  await page.waitForFunction(() => document.documentElement.dataset.state === 'ready', null, { timeout: 15000 });
  let s = await shown(page);
  assert.equal(s.keyRx, '44', 'the address of the set-up too');
  assert.equal(s.received, 'W');
  await page.locator('#keyRx').fill('23');
  s = await shown(page);
  assert.equal(s.received, 'Z');
  assert.equal(await page.locator('#Label5').textContent(), 'Receiver Channel Number', 'the language file too');
  // The requests that the missing network failed are the only problems.
  assert.deepEqual(page.problems.filter((p) => !p.startsWith('request failed') && !p.includes('ERR_')), []);
  await visit.context.close();
});

test('a new version of the site replaces the kept one on the next visit with a network', async () => {
  const visit = await visited();
  const { page } = visit;
  const kept = await page.evaluate(() => caches.keys());
  assert.equal(kept.length, 1);
  // A new build: a changed page script, and the worker's version drawn from it.
  fs.appendFileSync(path.join(copy, 'dscdma-page.js'), '\n// the next version\n');
  const worker = path.join(copy, 'dscdma-sw.js');
  fs.writeFileSync(worker, fs.readFileSync(worker, 'utf8').replace(/const Version = '[^']*'/, "const Version = 'next'"));
  await page.reload();
  await until(page, async () => (await caches.keys()).join() === 'dscdma-next', 'the new cache alone');
  await offline(visit);
  await page.reload();
  await page.waitForFunction(() => document.documentElement.dataset.state === 'ready', null, { timeout: 15000 });
  const script = await page.evaluate(async () => {
    const kept = await (await caches.open('dscdma-next')).match(new URL('dscdma-page.js', location.href).href);
    return kept ? kept.text() : 'none';
  });
  assert.ok(script.endsWith('// the next version\n'), 'the kept script is the new one: ' + script.slice(-60));
  assert.equal((await shown(page)).received, 'W', 'and the page works from it');
  await visit.context.close();
});

test('a host turns the offline worker off, and a worker registered before goes', async () => {
  const visit = await visited();
  const { page, server } = visit;
  const index = path.join(copy, 'index.html');
  const original = fs.readFileSync(index, 'utf8');
  fs.writeFileSync(index, original.replace('<html lang="en">', '<html lang="en" data-offline="off">'));
  try {
    await page.reload();
    await until(page, async () => (await navigator.serviceWorker.getRegistrations()).length === 0, 'no worker');
    const fresh = await browser.newContext();
    const other = await watchedPage(fresh);
    await openPage(other, server.origin + '/index.html');
    await settled(other);
    assert.equal(await other.evaluate(async () => (await navigator.serviceWorker.getRegistrations()).length), 0);
    await fresh.close();
  } finally {
    fs.writeFileSync(index, original);
    await visit.context.close();
    await server.close();
  }
});

test('the web app manifest is read without errors and names icons that are there', async () => {
  const server = await startServer(site);
  const context = await browser.newContext();
  const page = await watchedPage(context);
  await openPage(page, server.origin + '/');
  const cdp = await context.newCDPSession(page);
  const manifest = await cdp.send('Page.getAppManifest');
  assert.deepEqual(manifest.errors, []);
  const parsed = JSON.parse(manifest.data);
  assert.equal(parsed.display, 'standalone');
  assert.equal(new URL(parsed.start_url, manifest.url).pathname, '/');
  for (const icon of parsed.icons) {
    const response = await page.request.get(new URL(icon.src, manifest.url).href);
    assert.equal(response.status(), 200, icon.src);
    assert.equal(response.headers()['content-type'], icon.type, icon.src);
  }
  assert.ok(parsed.icons.some((i) => i.sizes === 'any' || parseInt(i.sizes, 10) >= 144), 'an icon large enough');
  assert.deepEqual(page.problems, []);
  await context.close();
  await server.close();
});
