// Loaded first, in the head: decides from the address what the page is for and starts
// at once the downloads that it needs, all in parallel, while the rest of the page
// loads. For a quiz that is the catalogue and the program (index.js, index.wasm), and
// the quiz's files as soon as the catalogue names them. The list of quizzes needs only
// the catalogue, so it never downloads the program.

(function(page) {
  'use strict';

  var params = new URLSearchParams(location.search);
  var startMeta = document.querySelector('meta[name="molvane-start"]');
  // The quiz a site built for one quiz opens straight into; its list is then ?list.
  var startQuiz = startMeta ? startMeta.content : '';
  page.startQuiz = startQuiz;
  page.listHref = startQuiz ? '?list' : 'index.html';

  // The ID of the quiz to play as the address gives it (maybe no ID at all), or null
  // for the list.
  if (params.has('quiz')) {
    page.wantedQuiz = params.get('quiz');
  } else if (startQuiz && !params.has('list')) {
    page.wantedQuiz = startQuiz;
  } else {
    page.wantedQuiz = null;
  }

  // A page opened from the disk may not fetch anything.
  page.fromFile = location.protocol === 'file:';
  var playing = page.wantedQuiz !== null;
  if (page.fromFile || (playing && !page.isQuizId(page.wantedQuiz))) {
    return;
  }
  page.catalogueBytes = page.fetchCatalogue();
  page.catalogueBytes.catch(function() {});
  if (!playing) {
    return;
  }
  // The quiz's files, or null when the catalogue lacks the quiz.
  page.quizFolder = page.catalogueBytes.then(function(bytes) {
    var catalogue = page.parseCatalogue(bytes);
    if (page.findQuiz(catalogue, page.wantedQuiz) === null) {
      return null;
    }
    return page.fetchQuizFolder(page.quizFiles(catalogue, page.wantedQuiz));
  });
  page.quizFolder.catch(function() {});
  var link = document.createElement('link');
  link.rel = 'preload';
  link.as = 'script';
  link.href = 'index.js';
  document.head.append(link);
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
  page.wasm = page.unpacks ? fetchPackedProgram().catch(fetchPlainProgram) : fetchPlainProgram();
  page.wasm.catch(function() {});
})(window.molvanePage = window.molvanePage || {});
