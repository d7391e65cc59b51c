// What the page shows, once all its scripts are there: the list of quizzes, one quiz,
// or that there is no such quiz (prefetch.js has read the address and started the
// downloads). The program starts once it has the quiz's files.

(function(page) {
  'use strict';

  // Shows text in place of a quiz, with a link to the list if withList.
  function showNotice(text, withList) {
    document.getElementById('quiz').hidden = true;
    document.getElementById('notice-text').textContent = text;
    var link = document.getElementById('notice-list');
    link.hidden = !withList;
    link.href = page.listHref || 'index.html';
    document.getElementById('notice').hidden = false;
    if (withList) {
      link.focus();
    }
  }

  // What the page keeps for offline visits once it has shown what it came for, and
  // only then the service worker, so that neither competes with the visit itself.
  var toKeep = [];
  function keepAndStartWorker() {
    page.keepForOffline(toKeep).then(page.startWorker);
  }

  function showNoQuiz(id) {
    showNotice('There is no quiz called "' + id + '".', true);
    keepAndStartWorker();
  }

  // The catalogue that prefetch.js asked for.
  function catalogue() {
    return page.catalogueBytes.then(function(bytes) {
      toKeep.push({url: page.CATALOGUE, bytes: bytes});
      return page.parseCatalogue(bytes);
    });
  }

  // Hands the module the program that prefetch.js compiled.
  function instantiateFromPrefetch(imports, receiveInstance) {
    page.wasm.then(function(module) {
      return WebAssembly.instantiate(module, imports).then(function(instance) {
        receiveInstance(instance, module);
      });
    }).catch(function(error) {
      window.Module.onAbort(String(error));
    });
    return {};
  }

  // Runs the program on the folder files, a promise of [{name, bytes}].
  function startProgram(files) {
    window.Module.molvaneQuizFiles = files;
    window.Module.instantiateWasm = instantiateFromPrefetch;
    page.onShown = function() {
      files.then(function(fetched) {
        toKeep = toKeep.concat(fetched);
        keepAndStartWorker();
      });
    };
    page.programLoading = true;
    var script = document.createElement('script');
    script.src = 'index.js';
    script.onerror = function() {
      window.Module.onAbort('index.js could not be loaded');
    };
    document.body.append(script);
  }

  // Plays quiz id of the catalogue, or says there is none.
  function play(catalogueNow, id) {
    if (page.findQuiz(catalogueNow, id) === null) {
      showNoQuiz(id);
      return;
    }
    if (page.startQuiz && page.quizzesOf(catalogueNow).length < 2) {
      page.listHref = null;  // the site's one quiz is all there is
    }
    startProgram(page.quizFolder);
  }

  function openQuiz(id) {
    if (!page.isQuizId(id)) {
      showNoQuiz(id);
      return;
    }
    document.body.classList.add('playing');
    document.getElementById('quiz').hidden = false;
    document.getElementById('canvas').focus();
    catalogue().then(function(catalogueNow) {
      return page.checkBuild(catalogueNow).then(function(goOn) {
        if (goOn) {
          play(catalogueNow, id);
        }
      });
    }, function(error) {
      console.warn(String(error));
      page.stopBeforeStart('The quiz cannot be loaded. Check the connection, then try again.');
    });
  }

  function openPicker() {
    catalogue().then(function(catalogueNow) {
      return page.checkBuild(catalogueNow).then(function(goOn) {
        if (goOn) {
          page.showPicker(catalogueNow);
          keepAndStartWorker();
        }
      });
    }, function(error) {
      console.warn(String(error));
      showNotice('The list of quizzes cannot be loaded. Check the connection, then try again.',
                 false);
    });
  }

  if (page.fromFile) {
    // The browser does not even report the failed fetches to the page.
    window.molvane.error = 'opened from a file';
    showNotice('Molvane cannot run from a file on the disk: it must be served by a web server.',
               false);
  } else if (page.wantedQuiz !== null) {
    openQuiz(page.wantedQuiz);
  } else {
    openPicker();
  }
})(window.molvanePage = window.molvanePage || {});
