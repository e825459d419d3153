// The web page's budgets, measured in headless Debian chromium against the site served on
// 127.0.0.1: one update at spreading factor 20 (compute, plot and draw of the four charts, as a
// key field's edit runs it), page load to the first picture, and what the browser downloads.
//   DSCDMA_WEB_DEPS=build/tests/web/deps node bench/web/bench.mjs build/web-site
// A measurement, not a test: it prints medians and sizes and fails only if the page does not run.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const support = path.join(here, '../../tests/web/support');
const { startServer } = await import(path.join(support, 'server.mjs'));
const { launch, watchedPage, openPage } = await import(path.join(support, 'browser.mjs'));

const site = process.argv[2];
if (!site || !fs.existsSync(path.join(site, 'index.html'))) {
  console.error('usage: node bench/web/bench.mjs SITE (a folder written by scripts/build-web.sh)');
  process.exit(2);
}
const updates = Number(process.env.DSCDMA_BENCH_UPDATES || 1000);
const loads = Number(process.env.DSCDMA_BENCH_LOADS || 30);

const median = (values) => {
  const sorted = [...values].sort((x, y) => x - y);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};
const quantile = (values, q) => [...values].sort((x, y) => x - y)[Math.min(values.length - 1, Math.floor(q * values.length))];

const gzip = (file) => zlib.gzipSync(fs.readFileSync(path.join(site, file)), { level: 9 }).length;
const sizes = {};
for (const file of ['dscdma.wasm', 'dscdma.js', 'dscdma-page.js', 'dscdma.css', 'index.html'])
  sizes[file] = { bytes: fs.statSync(path.join(site, file)).size, gzip: gzip(file) };

const server = await startServer(site);
const browser = await launch();
try {
  // Updates: the receiver key alternates between two channels at spreading factor 20, each edit
  // running the page's whole update synchronously.
  const context = await browser.newContext({ viewport: { width: 1000, height: 800 } });
  const page = await watchedPage(context);
  await openPage(page, server.origin + '/?sf=20&labels=1');
  // The browser's clock is coarse (0.1 ms here), so updates are timed in batches of 20.
  const times = await page.evaluate((n) => {
    const field = document.getElementById('keyRx');
    const out = [];
    for (let i = 0; i < n; i += 20) {
      const start = performance.now();
      for (let k = 0; k < 20; ++k) {
        field.value = k % 2 ? '44' : '23';
        field.dispatchEvent(new Event('input'));
      }
      out.push((performance.now() - start) / 20);
    }
    return out;
  }, updates);
  if (page.problems.length)
    throw new Error(page.problems.join('\n'));
  await context.close();

  // Loads: each in a fresh context, so nothing comes from a cache.
  const firstPicture = [];
  for (let i = 0; i < loads; ++i) {
    const fresh = await browser.newContext({ viewport: { width: 1000, height: 800 } });
    const p = await watchedPage(fresh);
    await openPage(p, server.origin + '/');
    firstPicture.push(await p.evaluate(() => performance.getEntriesByName('dscdma-first-picture')[0].startTime));
    await fresh.close();
  }

  const downloaded = sizes['dscdma.wasm'].gzip + sizes['dscdma.js'].gzip;
  console.log(`update at spreading factor 20, labels on: median ${median(times).toFixed(3)} ms, ` +
              `90th percentile ${quantile(times, 0.9).toFixed(3)} ms, over ${updates} updates in batches of 20 (budget 2 ms)`);
  console.log(`load to first picture: median ${median(firstPicture).toFixed(1)} ms, ` +
              `max ${Math.max(...firstPicture).toFixed(1)} ms over ${loads} cold loads (budget 300 ms)`);
  console.log(`.wasm + .js, gzip -9: ${(downloaded / 1024).toFixed(1)} KB (budget 400 KB)`);
  for (const [file, s] of Object.entries(sizes))
    console.log(`  ${file}: ${s.bytes} bytes, ${s.gzip} gzipped`);
} finally {
  await browser.close();
  await server.close();
}
