// The worked exercise as a SCORM 1.2 package: what a learning platform imports, run inside a
// SCORM runtime standing in for the platform, and on its own without any.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import { site } from './support/site.mjs';
import { startServer } from './support/server.mjs';
import { launch, watchedPage } from './support/browser.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const runtime = path.join(process.env.DSCDMA_WEB_DEPS || '', 'node_modules', 'scorm-again', 'dist', 'scorm12.js');
const zip = path.join(site, 'dscdma-exercise-scorm.zip');

let unpacked;
let server;
let browser;
before(async () => {
  unpacked = fs.mkdtempSync(path.join(os.tmpdir(), 'dscdma-scorm-'));
  execFileSync('unzip', ['-q', zip, '-d', unpacked]);
  server = await startServer(unpacked, {
    '/platform.html': path.join(here, 'support', 'platform.html'),
    '/scorm12.js': runtime,
  });
  browser = await launch();
});
after(async () => {
  await browser?.close();
  await server?.close();
  fs.rmSync(unpacked, { recursive: true, force: true });
});

test('the package is a zip with a SCORM 1.2 manifest whose lesson and files are in it', () => {
  execFileSync('unzip', ['-tq', zip]);
  const manifest = fs.readFileSync(path.join(unpacked, 'imsmanifest.xml'), 'utf8');
  assert.match(manifest, /<schemaversion>1\.2<\/schemaversion>/);
  assert.match(manifest, /adlcp:scormtype="sco" href="examples\/exercise\.html"/);
  const listed = [...manifest.matchAll(/<file href="([^"]+)"\/>/g)].map((m) => m[1]);
  for (const name of ['index.html', 'dscdma.wasm', 'dscdma.js', 'dscdma-page.js', 'examples/exercise.html'])
    assert.ok(listed.includes(name), name);
  for (const name of listed)
    assert.ok(fs.existsSync(path.join(unpacked, name)), `${name} is in the zip`);
  // A platform serves the package from its own folders: no offline worker there.
  assert.ok(!fs.existsSync(path.join(unpacked, 'dscdma-sw.js')));
  assert.match(fs.readFileSync(path.join(unpacked, 'index.html'), 'utf8'), /data-offline="off"/);
});

// The frame whose address matches, once it is there (bounded).
async function frameOf(page, pattern) {
  const deadline = Date.now() + 15000;
  for (;;) {
    const found = page.frames().find((f) => pattern.test(f.url()));
    if (found)
      return found;
    if (Date.now() > deadline)
      throw new Error('no frame at ' + pattern);
    await page.waitForTimeout(50);
  }
}

async function solve(page) {
  const frame = await frameOf(page, /\/examples\/exercise\.html$/);
  const simulation = await frameOf(page, /index\.html/);
  await simulation.waitForFunction(() => document.documentElement.dataset.state === 'ready', null, { timeout: 15000 });
  await frame.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Not yet'), null,
    { timeout: 15000 });
  await simulation.locator('#keyRx').fill('44');
  await frame.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Solved'), null,
    { timeout: 15000 });
  return { frame, simulation };
}

test('in a SCORM runtime, the solved exercise reports passed with a score of 100', async () => {
  const context = await browser.newContext({ viewport: { width: 1100, height: 1300 } });
  const page = await watchedPage(context);
  await page.goto(server.origin + '/platform.html?lesson=' + encodeURIComponent('/examples/exercise.html'));
  await page.waitForFunction(() => window.API.isInitialized(), null, { timeout: 15000 });
  assert.equal(await page.evaluate(() => window.API.cmi.core.lesson_status), 'incomplete', 'started');
  const { frame: lesson, simulation } = await solve(page);
  await page.waitForFunction(() => window.commits > 0, null, { timeout: 10000 });
  const cmi = await page.evaluate(() => ({
    status: window.API.cmi.core.lesson_status, raw: window.API.cmi.core.score.raw,
    min: window.API.cmi.core.score.min, max: window.API.cmi.core.score.max, commits: window.commits,
  }));
  assert.deepEqual(cmi, { status: 'passed', raw: '100', min: '0', max: '100', commits: 1 });
  // Moving on and back does not report again.
  await simulation.locator('#keyRx').fill('23');
  await lesson.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Not yet'));
  await simulation.locator('#keyRx').fill('44');
  await lesson.waitForFunction(() => document.getElementById('feedback').textContent.startsWith('Solved'));
  assert.equal(await page.evaluate(() => window.commits), 1);
  assert.deepEqual(page.problems, []);
  await context.close();
});

test('without any platform the package works as the worked example', async () => {
  const context = await browser.newContext({ viewport: { width: 1000, height: 1300 } });
  const page = await watchedPage(context);
  await page.goto(server.origin + '/examples/exercise.html');
  await solve(page);
  assert.deepEqual(page.problems, []);
  await context.close();
});
