// The page contract and the end of a quiz.
//  - window.molvane: `output`, the program's standard output so far, one character per
//    byte (the module's output.js appends to it); `exitStatus`, null while the quiz runs
//    and then the program's exit status; `error`, null unless the module crashed.
//  - window.Module: the settings that emscripten's index.js finds when it loads, set
//    here before anything can load it.
//  - The status panel over the quiz: "Loading the quiz", then hidden while the program
//    runs, then how the quiz ended, with Play again and the list of quizzes, and after
//    a finished quiz the next one.

import {listHref} from './address.js';

var canvas = document.getElementById('canvas');
var statusBox = document.getElementById('status');
var message = document.getElementById('message');
var detail = document.getElementById('detail');
var again = document.getElementById('again');
var list = document.getElementById('list');
var next = document.getElementById('next');

var molvane = {output: '', exitStatus: null, error: null};
window.molvane = molvane;
var ended = false;
// Whether the player finished the quiz (the closing screen came up), and who wants to know.
var finished = false;
var finishWatchers = [];
var nextOffered = false;
// Whether the end panel may offer Play again: not where a reload cannot start anew.
var replayOffered = true;
// Whether the program is on its way (watchProgram), and what to do once it shows.
var programLoading = false;
var onShown = null;

// What to show when the run ended on a failure, or null when it ended as a quiz does
// (a key on the closing screen, Escape). Every run ends with the same shut-down log;
// a finished or abandoned quiz has the last start-up line, "Openning molecule list.",
// before it (after the SDL error text of a missing closing picture, which has no line
// end), while a failure has its message there, possibly followed by SDL's error text.
function failureMessage(output) {
  var shutDownAt = output.lastIndexOf('Freeing surfaces.\n');
  var before = shutDownAt < 0 ? output : output.slice(0, shutDownAt);
  var lineEnd = before.lastIndexOf('\n');
  var unterminated = before.slice(lineEnd + 1);
  var lines = before.slice(0, Math.max(lineEnd, 0)).split('\n');
  var lastLine = lines[lines.length - 1];
  if (/Openning molecule list\.$/.test(lastLine) && unterminated === '') {
    return null;
  }
  return unterminated === '' ? lastLine : lastLine + '\n' + unterminated;
}

// The last line the program wrote, complete or not.
function lastOutputLine() {
  var lines = molvane.output.replace(/\n$/, '').split('\n');
  return lines[lines.length - 1];
}

// Shows the status panel with text, and extra below it if given. Play again and the
// list are offered when `actions` says so; the first action offered gets the focus.
function showStatus(text, extra, actions) {
  message.textContent = text;
  detail.textContent = extra || '';
  detail.hidden = !extra;
  again.hidden = !(actions.again && replayOffered);
  next.hidden = !actions.next;
  list.hidden = !(actions.list && listHref);
  if (list.hidden) {
    list.removeAttribute('href');
  } else {
    list.href = listHref;
  }
  statusBox.hidden = false;
  statusBox.classList.toggle('ended', Boolean(actions.again || actions.list));
  if (!again.hidden) {
    again.focus();
  } else if (!list.hidden) {
    list.focus();
  }
}

// Gives up on a quiz before its program was loaded, saying why in text; Play again
// tries anew.
export function stopBeforeStart(text) {
  ended = true;
  showStatus(text, '', {again: true, list: true});
}

// From now on errors on the page count as the program's; shown() runs once its first
// screen is up.
export function watchProgram(shown) {
  programLoading = true;
  onShown = shown;
}

again.addEventListener('click', function() { location.reload(); });

// Offers no Play again from now on: a learning platform opens a session once a visit,
// so a quiz played again after the end would tell it nothing.
export function withoutReplay() {
  replayOffered = false;
}

// Calls callback once the player has finished the quiz: the right answer to the last
// molecule was given and the closing screen came up.
export function whenFinished(callback) {
  finishWatchers.push(callback);
}

// Offers the quiz at href, named by text, on the panel of a finished quiz.
export function offerNext(href, text) {
  next.href = href;
  next.textContent = text;
  nextOffered = true;
}

// The program has exited with status.
function finish(status) {
  if (ended) {
    return;
  }
  ended = true;
  Module['molvaneFlushConsole']();
  molvane.exitStatus = status;
  var failure = failureMessage(molvane.output);
  if (failure === null) {
    showStatus('The quiz has ended.', '', {again: true, list: true,
                                          next: finished && nextOffered});
  } else {
    showStatus('The quiz has ended because of a problem:', failure, {again: true, list: true});
  }
}

// The module has crashed or could not start; what says why.
function crash(what) {
  if (ended) {
    return;
  }
  ended = true;
  if (Module['molvaneFlushConsole']) {
    Module['molvaneFlushConsole']();
  }
  molvane.error = String(what);
  showStatus('The quiz has stopped because of an error.', lastOutputLine() || molvane.error,
             {again: true, list: true});
}

// Throws that end a run on purpose rather than crash it (ExitStatus is index.js's).
function isExit(error) {
  return error === 'unwind' ||
      (typeof window.ExitStatus === 'function' && error instanceof window.ExitStatus);
}

// Ends the run as a crash on what event threw, unless that ends a run on purpose. Errors
// count only once the program is on its way (watchProgram).
function onThrown(event, thrown) {
  if (!programLoading) {
    return;
  }
  if (isExit(thrown)) {
    event.preventDefault();
  } else {
    crash(thrown);
  }
}
window.addEventListener('error', function(event) {
  onThrown(event, event.error || event.message);
});
window.addEventListener('unhandledrejection', function(event) { onThrown(event, event.reason); });

var Module = window.Module = {
  canvas: canvas,
  // The runtime's own remarks ("SDL_Quit called (and ignored)") are not the program's.
  print: function(text) { console.debug(text); },
  printErr: function(text) { console.warn(text); },
  onExit: finish,
  onAbort: crash,
  preRun: [],
  // The first screen is up: the panel gives way to it.
  molvaneShown: function() {
    statusBox.hidden = true;
    canvas.focus();
    requestAnimationFrame(function() { performance.mark('molvane-first-frame'); });
    if (onShown) {
      onShown();
    }
  },
  molvaneEnded: function() { return ended; },
  // Called by the program when its closing screen comes up.
  onQuizFinished: function() {
    finished = true;
    finishWatchers.forEach(function(callback) { callback(); });
  }
};
