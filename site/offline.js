// Offline visits and updates, with the service worker (service_worker.js):
//  - keeps what a first visit fetched before any worker ran;
//  - starts the worker (start.js does so once the page shows what it came for, so that
//    the worker's copy of the site does not compete with the first visit);
//  - when the catalogue comes from a newer build than this page, lets that build's worker
//    take over and reloads once, so that the page never runs with another build's files.

var SCOPE = new URL('./', location.href).href;
var QUIZ_STORE = 'molvane-quizzes ' + SCOPE;
var UPDATED = 'molvane-updated ' + SCOPE;
// How long a visit waits for a new build's worker before it goes on with its own.
var UPDATE_PATIENCE_MS = 20000;

var buildMeta = document.querySelector('meta[name="molvane-build"]');
// The build of this page.
var pageBuild = buildMeta ? buildMeta.content : '';

var workers = window.isSecureContext && navigator.serviceWorker ? navigator.serviceWorker : null;

// The build this tab last reloaded into, or null; storage may be off.
function updatedTo() {
  try {
    return sessionStorage.getItem(UPDATED);
  } catch (e) {
    return null;
  }
}

// Remembers that this tab reloads into build; storage may be off.
function rememberUpdate(build) {
  try {
    sessionStorage.setItem(UPDATED, build);
  } catch (e) {
    // Without storage, the check after the reload finds no newer worker and goes on.
  }
}

// Registers the worker; nothing happens where the browser offers none.
export function startWorker() {
  if (workers !== null) {
    workers.register('service_worker.js', {type: 'module'}).catch(function(error) {
      console.warn('No offline copy: ' + error);
    });
  }
}

// Whether this page's files came through service_worker.js, which stores the quiz files
// it fetches (sw.js, which may stand in for it, stores nothing).
function storedByWorker() {
  return workers !== null && workers.controller !== null &&
      workers.controller.scriptURL === new URL('service_worker.js', SCOPE).href;
}

// Stores [{url, bytes}] where the worker looks for quiz files, unless a worker already
// fetched (and stored) them for this page.
export function keepForOffline(entries) {
  if (!window.caches || storedByWorker()) {
    return Promise.resolve();
  }
  return caches.open(QUIZ_STORE).then(function(store) {
    return Promise.all(entries.filter(function(entry) { return entry.bytes !== null; })
        .map(function(entry) {
          return store.put(new URL(entry.url, location.href).href,
                           new Response(entry.bytes.slice(0)));
        }));
  }).catch(function() {});
}

// Waits for the registration's new worker: reloads the page once it controls it, or
// resolves to true (go on with this build) when there is none, it fails or it is slow.
function waitForNewWorker(registration, build) {
  return new Promise(function(resolve) {
    var worker = registration.installing || registration.waiting;
    if (!worker) {
      console.warn('Build ' + build + ' is out, but the server offers no service worker for it.');
      resolve(true);
      return;
    }
    var goneOn = false;
    function goOn(why) {
      if (!goneOn) {
        console.warn('Build ' + build + ' is out, but this visit goes on with build ' +
                     pageBuild + ': its service worker ' + why + '.');
      }
      goneOn = true;
      resolve(true);
    }
    workers.addEventListener('controllerchange', function() {
      if (!goneOn) {
        rememberUpdate(build);
        location.reload();
      }
    });
    function follow() {
      if (worker.state === 'installed') {
        worker.postMessage('activate');
      } else if (worker.state === 'redundant') {
        goOn('failed to install');
      }
    }
    worker.addEventListener('statechange', follow);
    follow();
    setTimeout(function() { goOn('took too long'); }, UPDATE_PATIENCE_MS);
  });
}

// A promise of true once the page may go on with the catalogue; it never settles when
// the page reloads into the catalogue's newer build instead.
export function checkBuild(catalogue) {
  var build = catalogue && catalogue.build;
  if (!build || build === pageBuild || workers === null || !workers.controller ||
      updatedTo() === build) {
    return Promise.resolve(true);
  }
  return workers.getRegistration().then(function(registration) {
    if (!registration) {
      return true;
    }
    return registration.update().then(function() {
      return waitForNewWorker(registration, build);
    });
  }).catch(function(error) {
    console.warn('Build ' + build + ' is out, but the update failed: ' + error);
    return true;
  });
}
