// The site's service worker: after the first visit the game plays offline. Every file of the
// site is kept in the cache at install; a request goes to the network first (so a new build is
// seen at once) and falls back to the cache when the network is not there.
"use strict";

const CACHE = "nadilka";
const FILES = [
  "./", "index.html", "page.js", "music.js", "manifest.webmanifest", "icon-192.png", "icon-512.png", "credits.html",
  "nadilka.js", "nadilka.wasm", "nadilka.data",
  "synth/js-synthesizer.min.js", "synth/js-synthesizer.worklet.min.js", "synth/libfluidsynth.js", "synth/TimGM6mb.sf2",
];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => event.waitUntil(self.clients.claim()));

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
