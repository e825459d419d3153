// scripts/serve-web.py, which ./run.sh --web serves the site with: the pre-compressed files for
// the codings a request takes, the types browsers insist on, and nothing outside the folder.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { spawn } from 'node:child_process';
import { fileURLToPath } from 'node:url';

const script = path.join(path.dirname(fileURLToPath(import.meta.url)), '../../scripts/serve-web.py');

let root;
let site;
let server;
let port;

before(async () => {
  root = fs.mkdtempSync(path.join(os.tmpdir(), 'dscdma-serve-'));
  site = path.join(root, 'site');
  fs.mkdirSync(path.join(site, 'sub'), { recursive: true });
  fs.writeFileSync(path.join(root, 'secret.txt'), 'the secret outside the site');
  fs.writeFileSync(path.join(site, 'index.html'), '<!DOCTYPE html><title>index</title>');
  fs.writeFileSync(path.join(site, 'sub', 'index.html'), '<!DOCTYPE html><title>sub</title>');
  const code = 'console.log("the page");'.repeat(20);
  fs.writeFileSync(path.join(site, 'page.js'), code);
  fs.writeFileSync(path.join(site, 'page.js.gz'), zlib.gzipSync(code));
  fs.writeFileSync(path.join(site, 'page.js.br'), zlib.brotliCompressSync(code));
  fs.writeFileSync(path.join(site, 'module.wasm'), Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]));
  fs.writeFileSync(path.join(site, 'module.wasm.gz'), zlib.gzipSync(Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0])));
  fs.writeFileSync(path.join(site, 'app.webmanifest'), '{}');
  fs.writeFileSync(path.join(site, 'plain.css'), 'body {}');
  fs.symlinkSync(path.join(root, 'secret.txt'), path.join(site, 'link-out.txt'));
  fs.symlinkSync(root, path.join(site, 'dir-out'));

  server = spawn('python3', [script, '--quiet', '--port', '0', site], { stdio: ['ignore', 'pipe', 'pipe'] });
  port = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('the server named no address within 10 s: ' + text)), 10000);
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const found = text.match(/http:\/\/127\.0\.0\.1:(\d+)\//);
      if (found) {
        clearTimeout(timer);
        resolve(Number(found[1]));
      }
    });
    server.once('exit', (code) => { clearTimeout(timer); reject(new Error('the server ended with ' + code)); });
  });
});

after(() => {
  server?.kill();
  fs.rmSync(root, { recursive: true, force: true });
});

// One request as written, byte for byte (no client tidies the path): status, headers and body.
function request(target, headers = {}, method = 'GET') {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1');
    const chunks = [];
    socket.on('data', (c) => chunks.push(c));
    socket.on('error', reject);
    socket.on('end', () => {
      const raw = Buffer.concat(chunks);
      const split = raw.indexOf('\r\n\r\n');
      const head = raw.subarray(0, split).toString('latin1').split('\r\n');
      const status = Number(head[0].split(' ')[1]);
      const fields = {};
      for (const line of head.slice(1)) {
        const at = line.indexOf(':');
        fields[line.slice(0, at).toLowerCase()] = line.slice(at + 1).trim();
      }
      resolve({ status, headers: fields, body: raw.subarray(split + 4) });
    });
    const lines = [`${method} ${target} HTTP/1.1`, 'Host: 127.0.0.1', 'Connection: close'];
    for (const [name, value] of Object.entries(headers))
      lines.push(`${name}: ${value}`);
    socket.write(lines.join('\r\n') + '\r\n\r\n');
  });
}

const file = (name) => fs.readFileSync(path.join(site, name));

test('each file is sent in the most compact coding that the request takes, and says it varies by that', async () => {
  const cases = [
    // Accept-Encoding, the file sent, its Content-Encoding
    ['br, gzip, deflate', 'page.js.br', 'br'],
    ['gzip, deflate', 'page.js.gz', 'gzip'],
    ['gzip;q=0.5, br;q=1', 'page.js.br', 'br'],
    ['gzip;q=1, br;q=0', 'page.js.gz', 'gzip'],
    ['br;q=0, gzip;q=0', 'page.js', undefined],
    ['BR', 'page.js.br', 'br'],
    ['*', 'page.js.br', 'br'],
    ['br;q=0, *', 'page.js.gz', 'gzip'],
    ['gzip;q=0.001', 'page.js.gz', 'gzip'],
    ['gzip;q=0.000', 'page.js', undefined],
    ['gzip;q=x', 'page.js', undefined],
    ['identity', 'page.js', undefined],
    [undefined, 'page.js', undefined],
  ];
  for (const [accept, sent, coding] of cases) {
    const r = await request('/page.js', accept === undefined ? {} : { 'Accept-Encoding': accept });
    assert.equal(r.status, 200, String(accept));
    assert.deepEqual(r.body, file(sent), `${accept}: ${sent}`);
    assert.equal(r.headers['content-encoding'], coding, String(accept));
    assert.equal(r.headers['content-type'], 'text/javascript; charset=utf-8', String(accept));
    assert.equal(r.headers.vary, 'Accept-Encoding', String(accept));
    assert.equal(Number(r.headers['content-length']), file(sent).length, String(accept));
  }
  // A file without compressed copies is itself, and does not vary.
  const plain = await request('/plain.css', { 'Accept-Encoding': 'br, gzip' });
  assert.deepEqual(plain.body, file('plain.css'));
  assert.equal(plain.headers['content-encoding'], undefined);
  assert.equal(plain.headers.vary, undefined);
  // A HEAD has the headers of the GET and no body.
  const head = await request('/page.js', { 'Accept-Encoding': 'gzip' }, 'HEAD');
  assert.equal(head.headers['content-encoding'], 'gzip');
  assert.equal(Number(head.headers['content-length']), file('page.js.gz').length);
  assert.equal(head.body.length, 0);
});

test('the module, the manifest and the folders are sent with the types and pages browsers expect', async () => {
  const cases = [
    ['/module.wasm', 'application/wasm', 'module.wasm.gz', { 'Accept-Encoding': 'gzip' }],
    ['/module.wasm', 'application/wasm', 'module.wasm', {}],
    ['/app.webmanifest', 'application/manifest+json', 'app.webmanifest', {}],
    ['/', 'text/html; charset=utf-8', 'index.html', {}],
    ['/?sf=20&lang=de', 'text/html; charset=utf-8', 'index.html', {}],
    ['/sub/', 'text/html; charset=utf-8', 'sub/index.html', {}],
    ['/sub', 'text/html; charset=utf-8', 'sub/index.html', {}],
    ['/plain%2Ecss', 'text/css; charset=utf-8', 'plain.css', {}],
  ];
  for (const [target, type, sent, headers] of cases) {
    const r = await request(target, headers);
    assert.equal(r.status, 200, target);
    assert.equal(r.headers['content-type'], type, target);
    assert.deepEqual(r.body, file(sent), target);
  }
});

test('nothing outside the site folder is sent, however the path is written', async () => {
  const targets = [
    '/../secret.txt', '/%2e%2e/secret.txt', '/%2E%2E%2Fsecret.txt', '/sub/../../secret.txt', '/..%2f..%2fsecret.txt',
    '/sub/%2e%2e/%2e%2e/secret.txt', '/..\\secret.txt', '/%5c..%5csecret.txt', '//' + root + '/secret.txt',
    '/link-out.txt', '/dir-out/secret.txt', '/missing.js', '/page.js%00.txt', '/%ff',
  ];
  for (const target of targets) {
    const r = await request(target, { 'Accept-Encoding': 'gzip, br' });
    assert.equal(r.status, 404, target);
    assert.ok(!r.body.toString('latin1').includes('secret'), target);
  }
  // The server is still there for the next request.
  assert.equal((await request('/')).status, 200);
});
