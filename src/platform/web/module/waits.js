// Linked with --pre-js: the program's waits (platform/web/platform.cpp) suspend until
// the next input event has reached SDL's queue; the browser runs freely meanwhile.

(function() {
  'use strict';

  var resumeProgram = null;
  var firstWait = true;

  // A promise the program awaits while a screen has nothing to do: it settles when the
  // next input event has reached SDL's queue. The first wait means the first screen is
  // up, which the page is told of (site/contract.js).
  Module['molvaneNextInput'] = function() {
    if (firstWait) {
      firstWait = false;
      Module['molvaneShown']();
    }
    return new Promise(function(resolve) { resumeProgram = resolve; });
  };

  // Resumes the waiting program once SDL's queue holds an event for it.
  Module['molvaneWake'] = function() {
    if (resumeProgram !== null && SDL.events.length > 0) {
      var resume = resumeProgram;
      resumeProgram = null;
      resume();
    }
  };
})();
