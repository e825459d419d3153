#!/usr/bin/env python3
"""Serves a site folder written by scripts/build-web.sh on 127.0.0.1, as a host should.

For a file X it sends X.br or X.gz, when one lies beside X and the request's Accept-Encoding
takes it, with its Content-Encoding and Vary: Accept-Encoding; otherwise X itself. Nothing
outside the folder is served. Only Python's standard library.
  scripts/serve-web.py [--port PORT] SITE     (port 0: any free one; the line on standard
                                               output names the address)
"""

import argparse
import http.server
import os
import posixpath
import sys
import urllib.parse

TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.mjs': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.json': 'application/json',
    '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json',
    '.svg': 'image/svg+xml',
    '.png': 'image/png',
    '.xml': 'application/xml',
    '.zip': 'application/zip',
    '.gz': 'application/gzip',
    '.br': 'application/octet-stream',
    '.itl': 'application/octet-stream',
}

# Most compact first.
ENCODINGS = (('br', '.br'), ('gzip', '.gz'))


def accepted_encodings(header):
    """The content codings that an Accept-Encoding header takes (q above 0)."""
    taken = set()
    refused = set()
    for part in (header or '').split(','):
        fields = [f.strip() for f in part.split(';')]
        name = fields[0].lower()
        if not name:
            continue
        q = 1.0
        for field in fields[1:]:
            key, _, value = field.partition('=')
            if key.strip().lower() == 'q':
                try:
                    q = float(value)
                except ValueError:
                    q = 0.0
        (taken if q > 0 else refused).add(name)
    if '*' in taken:
        taken.update(name for name, _ in ENCODINGS if name not in refused)
    return taken - refused


class SiteHandler(http.server.BaseHTTPRequestHandler):
    server_version = 'dscdma-serve'
    protocol_version = 'HTTP/1.1'
    # Headers and body leave in two writes: without this the body waits for the browser's
    # delayed acknowledgement of the headers, 40 ms on every request.
    disable_nagle_algorithm = True
    root = ''

    def do_GET(self):
        self.answer(send_body=True)

    def do_HEAD(self):
        self.answer(send_body=False)

    def local_file(self):
        """The file that the request's path names inside the root, or None."""
        path = urllib.parse.urlsplit(self.path).path
        path = urllib.parse.unquote(path, errors='strict')
        if '\0' in path or '\\' in path:
            return None
        parts = [p for p in posixpath.normpath('/' + path).split('/') if p]
        if any(p in ('.', '..') for p in parts):
            return None
        candidate = os.path.join(self.root, *parts)
        if path.endswith('/') or os.path.isdir(candidate):
            candidate = os.path.join(candidate, 'index.html')
        # A link inside the folder may not lead out of it.
        real = os.path.realpath(candidate)
        if real != self.root and not real.startswith(self.root + os.sep):
            return None
        return real if os.path.isfile(real) else None

    def answer(self, send_body):
        try:
            file = self.local_file()
        except UnicodeDecodeError:
            file = None
        if file is None:
            body = b'not found\n'
            self.send_response(404)
            self.send_header('Content-Type', 'text/plain; charset=utf-8')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            if send_body:
                self.wfile.write(body)
            return
        sent, encoding = file, None
        accepted = accepted_encodings(self.headers.get('Accept-Encoding'))
        for name, suffix in ENCODINGS:
            if name in accepted and os.path.isfile(file + suffix):
                sent, encoding = file + suffix, name
                break
        with open(sent, 'rb') as f:
            body = f.read()
        self.send_response(200)
        self.send_header('Content-Type', TYPES.get(os.path.splitext(file)[1].lower(), 'application/octet-stream'))
        self.send_header('Content-Length', str(len(body)))
        if encoding:
            self.send_header('Content-Encoding', encoding)
        if os.path.isfile(file + '.gz') or os.path.isfile(file + '.br'):
            self.send_header('Vary', 'Accept-Encoding')
        self.send_header('Cache-Control', 'no-cache')
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def log_message(self, format, *args):
        sys.stderr.write('%s %s\n' % (self.address_string(), format % args))


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A browser that closes a connection it no longer needs is no fault.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser(description='Serves a site folder on 127.0.0.1 with its pre-compressed files.')
    parser.add_argument('--port', type=int, default=8080)
    parser.add_argument('--quiet', action='store_true', help='no line per request')
    parser.add_argument('site')
    args = parser.parse_args()
    root = os.path.realpath(args.site)
    if not os.path.isfile(os.path.join(root, 'index.html')):
        parser.error('%s holds no index.html' % args.site)
    handler = type('Handler', (SiteHandler,), {'root': root})
    if args.quiet:
        handler.log_message = lambda self, format, *a: None
    server = Server(('127.0.0.1', args.port), handler)
    print('Serving %s at http://127.0.0.1:%d/ (Ctrl+C ends)' % (args.site, server.server_address[1]), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == '__main__':
    main()
