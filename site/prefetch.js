// The first module to run: starts at once the downloads that the address needs, all in
// parallel, while the rest of the page loads. For a quiz that is the catalogue and the
// program (index.js, index.wasm), and the files of the quiz in the wanted naming style
// as soon as the catalogue names them; for a composed link, the catalogue and the program
// here, the bank and its files in composed_prefetch.js. The list of quizzes needs only the
// catalogue, so it never downloads the program.

import {wantedQuiz, wantedStyle, fromFile} from './address.js';
import {isQuizId, isStyleId, unpacks, fetchCatalogue, parseCatalogue, findVersion}
    from './catalogue.js';
import {fetchVersionFolder} from './quiz_folder.js';
import {composing} from './composed_prefetch.js';

var playing = wantedQuiz !== null || composing;
var fetching = !fromFile && (!playing || composing || isQuizId(wantedQuiz) &&
    (wantedStyle === null || isStyleId(wantedStyle)));

// promise, its rejection left to whoever uses it (none goes unhandled meanwhile).
function quietly(promise) {
  promise.catch(function() {});
  return promise;
}

// The quiz's files in the wanted style, or null when the catalogue lacks the quiz or
// that version of it.
function fetchWantedFolder(bytes) {
  var catalogue = parseCatalogue(bytes);
  var version = findVersion(catalogue, wantedQuiz, wantedStyle);
  if (version === null) {
    return null;
  }
  return fetchVersionFolder(catalogue, version);
}

// The program compiles while it downloads: from its gzip copy, unpacked on the way,
// where the browser can unpack it, else the plain program where the server says
// application/wasm.
function fetchPlainProgram() {
  return fetch('index.wasm').then(function(response) {
    if (!response.ok) {
      throw new Error('index.wasm: ' + response.status);
    }
    var copy = response.clone();
    return WebAssembly.compileStreaming(response).catch(function() {
      return copy.arrayBuffer().then(function(bytes) { return WebAssembly.compile(bytes); });
    });
  });
}

// The program from its gzip copy, compiled as it is unpacked.
function fetchPackedProgram() {
  return fetch('index.wasm.gz').then(function(response) {
    if (!response.ok) {
      throw new Error('index.wasm.gz: ' + response.status);
    }
    // A host that says Content-Encoding: gzip has had the browser unpack it already.
    var unpacked = response.headers.get('Content-Encoding') === 'gzip' ? response.body :
        response.body.pipeThrough(new DecompressionStream('gzip'));
    return WebAssembly.compileStreaming(
        new Response(unpacked, {headers: {'Content-Type': 'application/wasm'}}));
  });
}

// A promise of the compiled program, with index.js asked for beside it.
function fetchProgram() {
  var link = document.createElement('link');
  link.rel = 'preload';
  link.as = 'script';
  link.href = 'index.js';
  document.head.append(link);
  return unpacks ? fetchPackedProgram().catch(fetchPlainProgram) : fetchPlainProgram();
}

// A promise of the catalogue's bytes; null when the page fetches nothing.
export var catalogueBytes = fetching ? quietly(fetchCatalogue()) : null;

// A promise of the wanted quiz's files (see fetchVersionFolder), or of null when the
// catalogue lacks the quiz or its version in the wanted style; null when no quiz is
// played.
export var quizFolder = fetching && wantedQuiz !== null && !composing ?
    quietly(catalogueBytes.then(fetchWantedFolder)) : null;

// A promise of the compiled program (a WebAssembly.Module); null when no quiz is played.
export var wasm = fetching && playing ? quietly(fetchProgram()) : null;
