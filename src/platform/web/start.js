// What the page shows: the list of quizzes (index.html), or one quiz
// (index.html?quiz=ID, or index.html alone on a site built for one quiz), or that there
// is no such quiz. For a quiz, the program, the catalogue and then the quiz's files are
// all fetched at once, and the program starts once it has them all.

(function(page) {
  'use strict';

  var params = new URLSearchParams(location.search);
  var startMeta = document.querySelector('meta[name="molvane-start"]');
  // The quiz a site built for one quiz opens straight into; its list is ?list.
  var startQuiz = startMeta ? startMeta.content : '';
  page.listHref = startQuiz ? '?list' : 'index.html';

  // Shows text in place of a quiz, with a link to the list.
  function showNotice(text) {
    document.getElementById('quiz').hidden = true;
    document.getElementById('notice-text').textContent = text;
    var link = document.getElementById('notice-list');
    link.href = page.listHref;
    document.getElementById('notice').hidden = false;
    link.focus();
  }

  function showNoQuiz(id) {
    showNotice('There is no quiz called "' + id + '".');
  }

  // Starts downloading the program, so that it arrives while the catalogue and the
  // quiz's files do. It only runs once startProgram() adds its script.
  function prefetchProgram() {
    var link = document.createElement('link');
    link.rel = 'preload';
    link.as = 'script';
    link.href = 'index.js';
    document.head.append(link);

    var wasm = fetch('index.wasm');
    wasm.catch(function() {});
    // Compiles the program while it downloads, where the server says application/wasm.
    window.Module.instantiateWasm = function(imports, receiveInstance) {
      wasm.then(function(response) {
        if (!response.ok) {
          throw new Error('index.wasm: ' + response.status);
        }
        var copy = response.clone();
        return WebAssembly.instantiateStreaming(response, imports).catch(function() {
          return copy.arrayBuffer().then(function(bytes) {
            return WebAssembly.instantiate(bytes, imports);
          });
        });
      }).then(function(result) {
        receiveInstance(result.instance, result.module);
      }, function(error) {
        window.Module.onAbort(String(error));
      });
      return {};
    };
  }

  // Runs the program on the folder files, a promise of [{name, bytes}].
  function startProgram(files) {
    window.Module.molvaneQuizFiles = files;
    page.onShown = page.startWorker;
    page.programLoading = true;
    var script = document.createElement('script');
    script.src = 'index.js';
    script.onerror = function() {
      window.Module.onAbort('index.js could not be loaded');
    };
    document.body.append(script);
  }

  // Plays quiz id of the catalogue, or says there is none.
  function play(catalogue, id) {
    var quiz = page.findQuiz(catalogue, id);
    if (quiz === null) {
      showNoQuiz(id);
      page.startWorker();
      return;
    }
    if (startQuiz && page.quizzesOf(catalogue).length < 2) {
      page.listHref = null;  // the site's one quiz is the list
    }
    var files = page.fetchQuizFolder(page.quizFiles(catalogue, id));
    files.then(page.keepForOffline);
    startProgram(files);
  }

  function openQuiz(id) {
    if (!page.isQuizId(id)) {
      showNoQuiz(id);
      page.startWorker();
      return;
    }
    var canvas = document.getElementById('canvas');
    document.body.classList.add('playing');
    document.getElementById('quiz').hidden = false;
    canvas.focus();
    prefetchProgram();
    page.loadCatalogue().then(function(catalogue) {
      return page.checkBuild(catalogue).then(function(goOn) {
        if (goOn) {
          play(catalogue, id);
        }
      });
    }, function(error) {
      console.warn(String(error));
      page.stopBeforeStart('The quiz cannot be loaded. Check the connection, then try again.');
    });
  }

  function openPicker() {
    page.loadCatalogue().then(function(catalogue) {
      return page.checkBuild(catalogue).then(function(goOn) {
        if (goOn) {
          page.showPicker(catalogue);
          page.startWorker();
        }
      });
    }, function(error) {
      console.warn(String(error));
      showNotice('The list of quizzes cannot be loaded. Check the connection, then try again.');
      document.getElementById('notice-list').hidden = true;
    });
  }

  // A page opened from the disk may not fetch the program and its data, and the
  // browser does not even report the failure to the page.
  if (location.protocol === 'file:') {
    window.molvane.error = 'opened from a file';
    showNotice('Molvane cannot run from a file on the disk: it must be served by a web server.');
    document.getElementById('notice-list').hidden = true;
  } else if (params.has('quiz')) {
    openQuiz(params.get('quiz'));
  } else if (startQuiz && !params.has('list')) {
    openQuiz(startQuiz);
  } else {
    openPicker();
  }
})(window.molvanePage = window.molvanePage || {});
