// Keeps the site's files for a reload without a network. scripts/build-web.sh writes the list of
// files and a version drawn from their contents; a site with other contents is a new worker,
// which fetches its files on the next visit with a network and removes the old ones.
'use strict';

const Version = '@VERSION@';
const Files = [@FILES@];
const Cache = 'dscdma-' + Version;

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(Cache);
    // Fresh from the server, not from the browser's own cache of an older site.
    await cache.addAll(Files.map((f) => new Request(f, { cache: 'reload' })));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys())
      if (name.startsWith('dscdma-') && name !== Cache)
        await caches.delete(name);
    await self.clients.claim();
  })());
});

// The network first, so that a page online is always the current one; the kept file when the
// network fails. The address's query (the set-up) does not name another file.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin)
    return;
  event.respondWith((async () => {
    try {
      return await fetch(request);
    } catch (error) {
      const cache = await caches.open(Cache);
      const kept = await cache.match(request, { ignoreSearch: true });
      if (kept)
        return kept;
      throw error;
    }
  })());
});
