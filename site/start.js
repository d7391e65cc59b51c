// The page's entry: what it shows once its modules are there: the list of quizzes, one
// quiz (a lesson, or a quiz of bank molecules from a composed link), or that there is no
// such quiz (prefetch.js has read the address and started the downloads). The program
// starts once it has the quiz's files.

import {catalogueBytes, quizFolder, wasm} from './prefetch.js';
import {composing, composedBank, composedQuiz} from './composed_prefetch.js';
import {readComposed} from './composed_link.js';
import {startQuiz, listHref, dropList, wantedQuiz, wantedStyle, fromFile} from './address.js';
import {CATALOGUE, isQuizId, isStyleId, findQuiz, hasStyle, quizVersion, quizzesOf,
        parseCatalogue} from './catalogue.js';
import {stopBeforeStart, watchProgram, whenFinished, offerNext} from './contract.js';
import {rememberFinished} from './finished.js';
import {showPicker, quizHref, quizTopic} from './picker.js';
import {startWorker, keepForOffline, checkBuild} from './offline.js';
import {setUpKeyboard} from './keyboard.js';
import {inPlatform, startSession} from './scorm.js';

// Shows text in place of a quiz, with a link to the list if withList.
function showNotice(text, withList) {
  document.getElementById('quiz').hidden = true;
  document.getElementById('notice-text').textContent = text;
  var link = document.getElementById('notice-list');
  link.hidden = !withList;
  link.href = listHref || 'index.html';
  document.getElementById('notice').hidden = false;
  if (withList) {
    link.focus();
  }
}

// What the page keeps for offline visits once it has shown what it came for, and
// only then the service worker, so that neither competes with the visit itself.
// Inside a learning platform (scorm.js) the page keeps nothing and has no worker.
var toKeep = [];
function keepAndStartWorker() {
  if (!inPlatform) {
    keepForOffline(toKeep).then(startWorker);
  }
}

// Says that there is no quiz id.
function showNoQuiz(id) {
  showNotice('There is no quiz called "' + id + '".', true);
  keepAndStartWorker();
}

// Says that there is no naming style `style`.
function showNoStyle(style) {
  showNotice('There is no naming style called "' + style + '".', true);
  keepAndStartWorker();
}

// A promise of the catalogue that prefetch.js asked for.
function catalogue() {
  return catalogueBytes.then(function(bytes) {
    toKeep.push({url: CATALOGUE, bytes: bytes});
    return parseCatalogue(bytes);
  });
}

// Hands the module the program that prefetch.js compiled.
function instantiateFromPrefetch(imports, receiveInstance) {
  wasm.then(function(module) {
    return WebAssembly.instantiate(module, imports).then(function(instance) {
      receiveInstance(instance, module);
    });
  }).catch(function(error) {
    window.Module.onAbort(String(error));
  });
  return {};
}

// Runs the program on the folder files, a promise of [{name, url, bytes}] (those of
// name null are only kept for offline visits): loads emscripten's index.js, which finds
// its settings in window.Module (contract.js).
function startProgram(files) {
  startSession();
  window.Module.molvaneQuizFiles = files.then(function(fetched) {
    return fetched.filter(function(file) { return file.name !== null; });
  });
  window.Module.instantiateWasm = instantiateFromPrefetch;
  watchProgram(function() {
    files.then(function(fetched) {
      // Files made in the page (composed.js) have no URL to keep them under.
      toKeep = toKeep.concat(fetched.filter(function(file) { return file.url !== null; }));
      keepAndStartWorker();
    });
  });
  var script = document.createElement('script');
  script.src = 'index.js';
  script.onerror = function() {
    window.Module.onAbort('index.js could not be loaded');
  };
  document.body.append(script);
}

// The quiz after quiz id in the list, or null after the last.
function nextQuiz(catalogueNow, id) {
  var quizzes = quizzesOf(catalogueNow);
  var at = quizzes.findIndex(function(quiz) { return quiz.id === id; });
  return at >= 0 && at + 1 < quizzes.length ? quizzes[at + 1] : null;
}

// Plays quiz id of the catalogue in the wanted style, or says why it cannot.
function play(catalogueNow, id) {
  var quiz = findQuiz(catalogueNow, id);
  if (quiz === null) {
    showNoQuiz(id);
    return;
  }
  if (wantedStyle !== null && !hasStyle(catalogueNow, wantedStyle)) {
    showNoStyle(wantedStyle);
    return;
  }
  var version = quizVersion(catalogueNow, quiz, wantedStyle);
  if (version === null) {
    showNotice('The quiz "' + id + '" has no version in the ' + wantedStyle +
               ' naming style.', true);
    keepAndStartWorker();
    return;
  }
  if (startQuiz && quizzesOf(catalogueNow).length < 2) {
    dropList();  // the site's one quiz is all there is
  }
  whenFinished(function() { rememberFinished(id, version.style); });
  var following = nextQuiz(catalogueNow, id);
  if (following !== null && listHref !== null) {
    offerNext(quizHref(following, version.style), 'Next: ' + quizTopic(following));
  }
  startProgram(quizFolder);
}

// Opens quiz id: the program once the catalogue has it, else a notice.
function openQuiz(id) {
  if (!isQuizId(id)) {
    showNoQuiz(id);
    return;
  }
  if (wantedStyle !== null && !isStyleId(wantedStyle)) {
    showNoStyle(wantedStyle);
    return;
  }
  document.body.classList.add('playing');
  document.getElementById('quiz').hidden = false;
  document.getElementById('canvas').focus();
  catalogue().then(function(catalogueNow) {
    return checkBuild(catalogueNow).then(function(goOn) {
      if (goOn) {
        play(catalogueNow, id);
      }
    });
  }, function(error) {
    console.warn(String(error));
    stopBeforeStart('The quiz cannot be loaded. Check the connection, then try again.');
  });
}

// Plays the quiz of the composed link (composed_link.js) of bank, or says why there is
// none. Its end is remembered by its code, as a lesson's by its ID.
function playComposed(bank) {
  var params = new URLSearchParams(location.search);
  var link = readComposed(params, bank);
  if (link.error) {
    showNotice(link.error, true);
    keepAndStartWorker();
    return;
  }
  whenFinished(function() { rememberFinished('m:' + params.get('m'), link.style); });
  startProgram(composedQuiz);
}

// Opens the quiz of the address's composed link: the program once the bank has its
// molecules, else a notice.
function openComposed() {
  document.body.classList.add('playing');
  document.getElementById('quiz').hidden = false;
  document.getElementById('canvas').focus();
  Promise.all([catalogue(), composedBank]).then(function(got) {
    return checkBuild(got[0]).then(function(goOn) {
      if (goOn) {
        playComposed(got[1]);
      }
    });
  }, function(error) {
    console.warn(String(error));
    stopBeforeStart(error.absent ? 'This site has no bank of molecules, so it cannot play ' +
        'quizzes made with the quiz maker.' :
        'The quiz cannot be loaded. Check the connection, then try again.');
  });
}

// Opens the list of quizzes.
function openPicker() {
  catalogue().then(function(catalogueNow) {
    return checkBuild(catalogueNow).then(function(goOn) {
      if (goOn) {
        showPicker(catalogueNow);
        keepAndStartWorker();
      }
    });
  }, function(error) {
    console.warn(String(error));
    showNotice('The list of quizzes cannot be loaded. Check the connection, then try again.',
               false);
  });
}

setUpKeyboard();
// A page opened from the disk can fetch nothing: file_notice.js says so.
if (!fromFile) {
  if (composing) {
    openComposed();
  } else if (wantedQuiz !== null) {
    openQuiz(wantedQuiz);
  } else {
    openPicker();
  }
}
