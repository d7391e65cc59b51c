// The quiz inside a learning platform, as a SCORM 1.2 package (scripts/web-scorm): the
// page finds the platform's API object and tells it when the quiz starts, when it is
// finished (the closing screen) and when the visit ends. No score is sent: the quiz has
// none. Without a platform around, nothing here does anything. What the platform says
// back never stops the quiz: its errors go to the console only.

import {whenFinished, withoutReplay} from './contract.js';

// How many frames up the page looks for the API, as the SCORM 1.2 search does.
var MAX_FRAMES_UP = 7;
// The longest time a CMITimespan can say, in hundredths of a second (9999:59:59.99).
var MAX_HUNDREDTHS = 10000 * 360000 - 1;

// The API object of win or of a frame above it, or null; frames of another origin are
// passed by, since they cannot be read.
function apiAbove(win) {
  for (var steps = 0; win && steps <= MAX_FRAMES_UP; steps++) {
    try {
      if (win.API) {
        return win.API;
      }
    } catch (e) {
      // another origin's frame
    }
    var parent = win.parent;
    if (!parent || parent === win) {
      return null;
    }
    win = parent;
  }
  return null;
}

// The platform's API: in this window or the frames above it, else in the window that
// opened this one or the frames above that; null when there is none.
function findApi() {
  var api = apiAbove(window);
  if (api === null) {
    var opener = null;
    try {
      opener = window.opener;
    } catch (e) {
      opener = null;
    }
    if (opener) {
      api = apiAbove(opener);
    }
  }
  return api;
}

var api = findApi();

// Whether the page runs inside a learning platform: then it keeps no offline copy.
export var inPlatform = api !== null;

var initialized = false;
var ended = false;
var startedAt = 0;

// What the platform says about its last error, as "CODE: TEXT", as far as it says.
function lastError() {
  try {
    var code = String(api.LMSGetLastError());
    var text = typeof api.LMSGetErrorString === 'function' ?
        String(api.LMSGetErrorString(code)) : '';
    return text ? code + ': ' + text : code;
  } catch (e) {
    return 'no error code';
  }
}

// Calls the API's method with args (strings); returns its answer as text, or null when
// it failed: threw, answered "false" or left an error code, which the console gets.
function call(method, args) {
  var what = method + '(' + args.map(function(arg) { return JSON.stringify(arg); }).join(', ') + ')';
  var answer;
  try {
    answer = String(api[method].apply(api, args));
  } catch (error) {
    console.warn('Learning platform: ' + what + ' failed: ' + error);
    return null;
  }
  var code = '0';
  try {
    code = String(api.LMSGetLastError());
  } catch (e) {
    code = '0';  // an API without error codes
  }
  if (answer === 'false' || (code !== '0' && code !== '' && code !== 'undefined')) {
    console.warn('Learning platform: ' + what + ' failed: ' + lastError());
    return null;
  }
  return answer;
}

// n as a decimal of at least width digits.
function padded(n, width) {
  var text = String(n);
  while (text.length < width) {
    text = '0' + text;
  }
  return text;
}

// milliseconds as a SCORM 1.2 CMITimespan, HHHH:MM:SS.SS.
export function timespan(milliseconds) {
  var hundredths = Math.min(Math.max(Math.round(milliseconds / 10), 0), MAX_HUNDREDTHS);
  return padded(Math.floor(hundredths / 360000), 4) + ':' +
      padded(Math.floor(hundredths / 6000) % 60, 2) + ':' +
      padded(Math.floor(hundredths / 100) % 60, 2) + '.' + padded(hundredths % 100, 2);
}

// The closing screen came up: the quiz is completed.
function markCompleted() {
  if (initialized && !ended) {
    call('LMSSetValue', ['cmi.core.lesson_status', 'completed']);
    call('LMSCommit', ['']);
  }
}

// The program exited or the page goes: the session's time, then the end, once.
function endSession() {
  if (initialized && !ended) {
    ended = true;
    call('LMSSetValue', ['cmi.core.session_time', timespan(performance.now() - startedAt)]);
    call('LMSFinish', ['']);
  }
}

// The program starts: opens the session with the platform, if there is one, and has the
// program's closing screen (contract.js) and exit (window.Module) reported to it.
export function startSession() {
  if (!inPlatform || initialized) {
    return;
  }
  startedAt = performance.now();
  if (call('LMSInitialize', ['']) === null) {
    return;  // every other call would fail too
  }
  initialized = true;
  withoutReplay();
  if (call('LMSGetValue', ['cmi.core.lesson_status']) !== 'completed') {
    call('LMSSetValue', ['cmi.core.lesson_status', 'incomplete']);
  }
  var Module = window.Module;
  whenFinished(markCompleted);
  var onExit = Module.onExit;
  Module.onExit = function(status) {
    try {
      onExit(status);
    } finally {
      endSession();
    }
  };
  window.addEventListener('pagehide', endSession);
}
