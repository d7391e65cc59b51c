// The service worker of builds before service_worker.js, in their place. A visitor whose
// offline copy came from such a build has this URL registered as a classic worker
// script, which cannot import modules. When that page finds a newer build and asks its
// waiting worker to take over, this one does: the page reloads into the newer build,
// whose files this worker fetches afresh from the server, past the browser's cache; that
// page then registers service_worker.js, which replaces this one at once.

'use strict';

var SCOPE = self.registration.scope;

// A page that found a newer build asks its waiting worker to take over.
self.addEventListener('message', function(event) {
  if (event.data === 'activate') {
    self.skipWaiting();
  }
});

self.addEventListener('activate', function(event) {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', function(event) {
  var request = event.request;
  if (request.method === 'GET' && request.url.indexOf(SCOPE) === 0) {
    event.respondWith(fetch(request, {cache: 'no-cache'}));
  }
});
