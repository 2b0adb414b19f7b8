// The page offline: its own files kept in the browser's cache as they come
// (the page, the WebAssembly and, once a plan has stayed at sea, the
// coastline) and answered from there when there is no network.
"use strict";
const CACHE = "sailings-page";
const FILES = ["./", "index.html", "app.js", "results.js", "files.js", "chart.js", "legs.js", "leaflet.js", "leaflet.css", "style.css", "sailings.js", "sailings.wasm"];

self.addEventListener("install", (e) => {
  e.waitUntil(caches.open(CACHE).then((c) => c.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener("activate", (e) => {
  e.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((k) => k !== CACHE).map((k) => caches.delete(k))))
    .then(() => self.clients.claim()));
});

// The network first (a page served anew is the newest), the cache when
// there is none; whatever of the page's own comes is kept.
self.addEventListener("fetch", (e) => {
  const url = new URL(e.request.url);
  if (e.request.method !== "GET" || url.origin !== location.origin) return;
  e.respondWith(fetch(e.request)
    .then((r) => {
      if (r.ok) { const copy = r.clone(); caches.open(CACHE).then((c) => c.put(e.request, copy)); }
      return r;
    })
    .catch(() => caches.match(e.request, {ignoreSearch: true}).then((r) => r || caches.match("index.html"))));
});
