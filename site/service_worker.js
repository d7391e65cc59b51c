// The service worker, a module worker: keeps the site for visits without a network.
//  - The site's own files of one build are stored together, checked against their
//    hashes, in a store named after the build; a new build's worker replaces them as a
//    whole and deletes the stores of other builds.
//  - Own files come from the build's store (a visit to index.html?quiz=... gets its
//    index.html); quizzes/index.json from the network, or the stored copy without one;
//    quiz files (quizzes/ID/NAME?v=HASH, whose URL changes with their content) from the
//    store, fetched and stored the first time.

import {unpacks, allQuizFileUrls, parseCatalogue} from './catalogue.js';
import {shortHash} from './hashes.js';

// The build id and the own files with their hashes, written by the site tool.
var SITE = {"build": "unbuilt", "files": {}};

var SCOPE = self.registration.scope;
var SITE_STORE_PREFIX = 'molvane-site ' + SCOPE + ' ';
var SITE_STORE = SITE_STORE_PREFIX + SITE.build;
var QUIZ_STORE = 'molvane-quizzes ' + SCOPE;
var CATALOGUE = SCOPE + 'quizzes/index.json';
// How long the catalogue may take from the network before the stored copy serves.
var CATALOGUE_PATIENCE_MS = 4000;

// The store of name, opened once for the worker's life: a visit asks for some 40 files
// at once, and opening the store again for each took longer than reading the file.
var opened = {};
function openStore(name) {
  if (!opened.hasOwnProperty(name)) {
    opened[name] = caches.open(name);
  }
  return opened[name];
}

// A promise of the response for own file name with the content of this build: the
// browser's cache is tried first, the server if that holds another version.
function fetchOwnFile(name) {
  var url = SCOPE + name;
  function attempt(mode) {
    return fetch(url, {cache: mode}).then(function(response) {
      if (!response.ok) {
        throw new Error(name + ': ' + response.status);
      }
      return response.clone().arrayBuffer().then(shortHash).then(function(hash) {
        return hash === SITE.files[name] ? response : null;
      });
    });
  }
  return attempt('force-cache').then(function(response) {
    return response || attempt('reload');
  }).then(function(response) {
    if (!response) {
      throw new Error(name + ' on the server is not the file of build ' + SITE.build);
    }
    return response;
  });
}

// The page fetches the program's gzip copy where it can unpack it, else the program;
// the same for the bank's files (composed.js).
var UNUSED_PROGRAM = unpacks ? 'index.wasm' : 'index.wasm.gz';

// Whether the page never fetches own file name in this browser.
function unused(name) {
  if (name === UNUSED_PROGRAM) {
    return true;
  }
  if (name.indexOf('bank/') !== 0) {
    return false;
  }
  var packed = /\.gz$/.test(name);
  return unpacks ? !packed && SITE.files.hasOwnProperty(name + '.gz') : packed;
}

// Whether worker is sw.js, which stands in for the workers of older builds and keeps
// nothing, so that this one need not wait for the pages it controls to go.
function isStandIn(worker) {
  return worker !== null && worker.scriptURL === SCOPE + 'sw.js';
}

self.addEventListener('install', function(event) {
  event.waitUntil(caches.open(SITE_STORE).then(function(store) {
    var names = Object.keys(SITE.files).filter(function(name) { return !unused(name); });
    return Promise.all(names.map(fetchOwnFile)).then(function(responses) {
      return Promise.all(responses.map(function(response, index) {
        return store.put(SCOPE + names[index], response);
      }));
    });
  }).then(function() {
    if (isStandIn(self.registration.active)) {
      return self.skipWaiting();
    }
  }).catch(function(error) {
    return caches.delete(SITE_STORE).then(function() { throw error; });
  }));
});

// A page that found a newer build asks its waiting worker to take over.
self.addEventListener('message', function(event) {
  if (event.data === 'activate') {
    self.skipWaiting();
  }
});

self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys().then(function(names) {
    return Promise.all(names.filter(function(name) {
      return name.indexOf(SITE_STORE_PREFIX) === 0 && name !== SITE_STORE;
    }).map(function(name) { return caches.delete(name); }));
  }).then(function() {
    return self.clients.claim();
  }));
});

var SCOPE_PATH = new URL(SCOPE).pathname;

// The own file a request asks for, or null. Every visit to the page, whatever its query,
// gets the build's index.html.
function ownFileOf(request, url) {
  if (request.mode === 'navigate' &&
      (url.pathname === SCOPE_PATH || url.pathname === SCOPE_PATH + 'index.html')) {
    return 'index.html';
  }
  var name = url.href.slice(SCOPE.length);
  return url.search === '' && SITE.files.hasOwnProperty(name) ? name : null;
}

// The build's stored file, or the network's when the store lacks it.
function fromSiteStore(request, name) {
  return openStore(SITE_STORE).then(function(site) {
    return site.match(SCOPE + name);
  }).then(function(response) {
    return response || fetch(request);
  });
}

// Keeps the worker alive for work that the event started, as long as the browser lets it.
function keepWorking(event, work) {
  try {
    event.waitUntil(work);
  } catch (e) {
    // The response has gone out already; the work goes on while the worker runs.
  }
}

// Deletes the stored quiz files that the catalogue of bytes no longer lists.
function forgetOldQuizFiles(store, bytes) {
  var listed = {};
  allQuizFileUrls(parseCatalogue(bytes)).forEach(function(url) {
    listed[SCOPE + url] = true;
  });
  return store.keys().then(function(requests) {
    return Promise.all(requests.filter(function(request) {
      return request.url !== CATALOGUE && !listed[request.url];
    }).map(function(request) { return store.delete(request); }));
  });
}

// Whether the ArrayBuffers a and b hold the same bytes.
function sameBytes(a, b) {
  if (a.byteLength !== b.byteLength) {
    return false;
  }
  var x = new Uint8Array(a);
  var y = new Uint8Array(b);
  return x.every(function(byte, index) { return byte === y[index]; });
}

// Stores the catalogue of bytes in place of the stored one, and forgets the quiz files
// it no longer lists. Nothing to do when it is the stored one, as on most visits: the
// work would compete with the visit's own files.
function keepCatalogue(store, bytes) {
  return store.match(CATALOGUE).then(function(stored) {
    return stored ? stored.arrayBuffer() : null;
  }).then(function(storedBytes) {
    if (storedBytes !== null && sameBytes(storedBytes, bytes)) {
      return null;
    }
    return forgetOldQuizFiles(store, bytes).then(function() {
      return store.put(CATALOGUE, new Response(bytes));
    });
  });
}

// The network's catalogue, stored; the stored one when the network fails or is slow.
function catalogue(event) {
  var request = event.request;
  return openStore(QUIZ_STORE).then(function(store) {
    var fromNetwork = fetch(request).then(function(response) {
      if (response.ok) {
        keepWorking(event, response.clone().arrayBuffer().then(function(bytes) {
          return keepCatalogue(store, bytes);
        }).catch(function() {}));
      }
      return response;
    });
    return store.match(CATALOGUE).then(function(stored) {
      if (!stored) {
        return fromNetwork;
      }
      var patience = new Promise(function(resolve) {
        setTimeout(resolve, CATALOGUE_PATIENCE_MS);
      });
      return Promise.race([fromNetwork, patience]).then(function(response) {
        return response && response.ok ? response : stored;
      }, function() {
        return stored;
      });
    });
  });
}

// A quiz file from the store, or fetched and stored.
function quizFile(request) {
  return openStore(QUIZ_STORE).then(function(store) {
    return store.match(request).then(function(stored) {
      return stored || fetch(request).then(function(response) {
        if (response.ok) {
          store.put(request, response.clone());
        }
        return response;
      });
    });
  });
}

self.addEventListener('fetch', function(event) {
  var request = event.request;
  if (request.method !== 'GET' || request.url.indexOf(SCOPE) !== 0) {
    return;
  }
  var url = new URL(request.url);
  var own = ownFileOf(request, url);
  if (own !== null) {
    event.respondWith(fromSiteStore(request, own));
  } else if (url.href === CATALOGUE) {
    event.respondWith(catalogue(event));
  } else if (url.href.indexOf(SCOPE + 'quizzes/') === 0 && /^\?v=[0-9a-f]{16}$/.test(url.search)) {
    event.respondWith(quizFile(request));
  }
});
