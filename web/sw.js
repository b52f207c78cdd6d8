// The site's service worker: after the first visit the game plays offline. Every file of the
// site is kept in the cache at install; a request goes to the network first (so a new build is
// seen at once) and falls back to the cache when the network is not there.
//
// The install asks the server whether each file changed rather than fetching it again: the page
// has just loaded most of them, and a first visit should not cost them twice ("no-cache" takes
// the browser's copy once the server answers that it is still the same).
"use strict";

const CACHE = "nadilka";
const FILES = [
  "./", "index.html", "page.js", "music.js", "manifest.webmanifest", "icon-192.png", "icon-512.png", "credits.html",
  "nadilka.js", "nadilka.wasm", "nadilka.data", "music/menu.mp3", "music/game.mp3",
];

self.addEventListener("install", (event) => {
  const requests = FILES.map((f) => new Request(f, { cache: "no-cache" }));
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(requests)).then(() => self.skipWaiting()));
});

// The synthesizer and soundfont an older site played its music with (6.6 MB) leave the cache.
self.addEventListener("activate", (event) => {
  const gone = new URL("synth/", self.location).href;
  event.waitUntil(
    caches.open(CACHE)
      .then((cache) => cache.keys().then((keys) =>
        Promise.all(keys.filter((r) => r.url.startsWith(gone)).map((r) => cache.delete(r)))))
      .then(() => self.clients.claim()),
  );
});

self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(
    fetch(request)
      .then((response) => {
        if (response.ok) {
          const copy = response.clone();
          caches.open(CACHE).then((cache) => cache.put(request, copy));
        }
        return response;
      })
      .catch(() => caches.match(request, { ignoreSearch: true }).then((hit) => hit || Response.error())),
  );
});
