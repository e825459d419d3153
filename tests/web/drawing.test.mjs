// The drawing commands of the WebAssembly build equal those of the native build: the same
// updates recorded with the same fixed text metrics in both, compared line by line.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { setUp } from './support/site.mjs';

const record = process.env.DSCDMA_WEB_RECORD;
const languages = process.env.DSCDMA_LANGUAGES;

// a, b, keyA, keyB, keyRx, spreading factor, labels, language
const Sets = [
  ['Z', 'W', '23', '44', '23', 8, 0, ''],
  ['Z', 'W', '23', '44', '44', 8, 1, 'en'],
  ['Z', 'W', '23', '44', '7', 8, 1, 'de'],
  ['Z', 'W', '23', '44', '23', 2, 0, 'en'],
  ['Z', 'W', '23', '44', '23', 20, 1, 'en'],
  ['Z', 'W', '23', '44', '23', 3, 0, ''],
  ['Z', 'W', '23', '0', '23', 2, 1, 'de'],
  ['Z', 'W', '23', '23', '23', 8, 0, 'en'],
  ['', 'W', '23', '44', '23', 8, 1, 'en'],
  ['ä', '€', '$17', '&54', '%10111', 5, 1, 'de'],
  ['q', 'x', '23.5', '22.5', '24', 11, 0, 'en'],
  ['\b', '\x1b', '-1', '4294967295', '-1', 13, 1, ''],
  ['?', '?', '1e3', '2.5e3', '2500', 17, 0, 'en'],
  ['Z', 'W', '23', '44', '4294967319', 8, 1, 'en'],
  ['A', 'B', '1000000', '-1000000', '-1000000', 19, 1, 'de'],
  ['ÿ', 'ß', '7', '8', '8', 4, 0, 'de'],
  ['Z', 'W', '23', '44', '1e300', 8, 1, 'en'],
  ['0', '1', '0', '1', '0', 9, 1, 'en'],
  ['~', ' ', '999', '998', '998', 16, 0, ''],
  ['Z', 'W', '12', '34', '56', 6, 1, 'de'],
  ['Ω', 'Z', '5', '6', '5', 7, 1, 'en'],
  ['Z', 'W', '23', '44', '44', 20, 0, 'de'],
];

function setLines() {
  return Sets.map((set) => set.map((v) => encodeURIComponent(String(v))).join('\t')).join('\n') + '\n';
}

let env;
before(async () => { env = await setUp(); });
after(async () => { await env.tearDown(); });

test('the WebAssembly build records the same drawing commands as the native build', async () => {
  assert.ok(record && languages, 'DSCDMA_WEB_RECORD and DSCDMA_LANGUAGES name the native recorder and the language files');
  const lines = setLines();
  const native = execFileSync(record, [languages], { input: lines, encoding: 'utf8', maxBuffer: 1 << 28 });

  const page = await env.page();
  await env.open(page, env.server.origin + '/');
  const english = [...fs.readFileSync(path.join(languages, 'dscdma.en.itl'))];
  const german = [...fs.readFileSync(path.join(languages, 'dscdma.de.itl'))];
  // The module the page loaded, instantiated once more by the test in the page.
  const wasm = await page.evaluate(async ([l, en, de]) => {
    const module = await createDscdma({ canvases: [] });
    return module.recordSets(l, new Uint8Array(en), new Uint8Array(de));
  }, [lines, english, german]);

  const split = (text) => text.split(/^(?=set \d+$)/m);
  const a = split(native);
  const b = split(wasm);
  assert.equal(a.length, Sets.length);
  assert.equal(b.length, Sets.length);
  for (let i = 0; i < Sets.length; ++i) {
    const left = a[i].split('\n');
    const right = b[i].split('\n');
    const differs = left.findIndex((line, k) => line !== right[k]);
    assert.equal(differs === -1 && left.length === right.length, true,
      `set ${i + 1} ${JSON.stringify(Sets[i])}: first difference at line ${differs + 1}:\n` +
      `native: ${left[differs]}\nwasm:   ${right[differs]}`);
    // A run the model refuses draws nothing, in both builds.
    if (!left[1].startsWith('failed'))
      assert.ok(left.length > 100, `set ${i + 1} draws`);
  }
  assert.match(native, /failed Invalid floating point operation/);
  await page.close();
});
