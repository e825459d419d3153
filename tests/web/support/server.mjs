// A static file server on 127.0.0.1 for the browser tests: serves a folder, notes every request
// and what it answered, and stops when told. Nothing in it waits on a timer.
import http from 'node:http';
import fs from 'node:fs/promises';
import path from 'node:path';

const Types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.itl': 'application/octet-stream',
};

// Serves `root` (and, under their names, the extra files given as {urlPath: filePath}), with
// `headers` added to every answer.
export async function startServer(root, extra = {}, headers = {}) {
  const requests = [];
  // Long enough for the longest addresses the tests load (a browser takes up to 2 MB).
  const server = http.createServer({ maxHeaderSize: 1 << 20 }, async (req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    let file = extra[url.pathname];
    if (!file) {
      const rel = decodeURIComponent(url.pathname).replace(/^\/+/, '') || 'index.html';
      file = path.resolve(root, rel.endsWith('/') ? rel + 'index.html' : rel);
      if (!file.startsWith(path.resolve(root) + path.sep))
        file = null;
    }
    let status = 404;
    try {
      if (file) {
        const body = await fs.readFile(file);
        status = 200;
        res.writeHead(200, { 'Content-Type': Types[path.extname(file)] || 'application/octet-stream',
                             'Cache-Control': 'max-age=60', ...headers });
        res.end(body);
      }
    } catch {
      status = 404;
    }
    if (status !== 200) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
    }
    requests.push({ path: url.pathname, status });
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  const { port } = server.address();
  return {
    origin: `http://127.0.0.1:${port}`,
    requests,
    close: () => new Promise((resolve) => { server.closeAllConnections?.(); server.close(resolve); }),
  };
}
