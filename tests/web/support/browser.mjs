// Debian's chromium, headless, driven by playwright-core from the build's npm folder; never a
// browser of the driver's own.
import { createRequire } from 'node:module';
import path from 'node:path';

const deps = process.env.DSCDMA_WEB_DEPS;
if (!deps)
  throw new Error('DSCDMA_WEB_DEPS names the folder npm installed playwright-core into');
const { chromium } = createRequire(path.resolve(deps, 'package.json'))('playwright-core');

export const ChromiumFlags = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export async function launch() {
  return chromium.launch({
    executablePath: process.env.DSCDMA_CHROMIUM || '/usr/bin/chromium',
    args: ChromiumFlags,
    headless: true,
  });
}

// A page that remembers every console message at error level, uncaught exception and failed
// request, for the tests to assert there are none.
export async function watchedPage(context) {
  // Errors in any frame, embedded pages included, reach the console where they are noted.
  await context.addInitScript(() => {
    window.addEventListener('error', (e) => console.error('uncaught: ' + e.message));
    window.addEventListener('unhandledrejection', (e) => console.error('unhandled rejection: ' + String(e.reason)));
  });
  const page = await context.newPage();
  page.problems = [];
  page.on('console', (msg) => {
    if (msg.type() === 'error' || msg.type() === 'warning')
      page.problems.push(`console ${msg.type()}: ${msg.text()}`);
  });
  page.on('pageerror', (error) => page.problems.push(`exception: ${error.message}`));
  page.on('requestfailed', (req) => page.problems.push(`request failed: ${req.url()}`));
  page.on('response', (res) => {
    if (res.status() >= 400)
      page.problems.push(`HTTP ${res.status()}: ${res.url()}`);
  });
  return page;
}

// Opens the page and waits, within a bound, until its first picture is drawn or it says why not.
export async function openPage(page, url) {
  await page.goto(url);
  await page.waitForFunction(
    () => document.documentElement.dataset.state === 'ready' || !document.getElementById('nowasm').hidden,
    null, { timeout: 15000 });
}
