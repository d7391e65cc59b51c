// The page side of the browser build, linked with --pre-js. It runs inside the module's
// own scope, next to emscripten's SDL emulation, and
//  - offers window.molvane, the page contract: `output`, the program's standard output
//    so far, one character per byte; `exitStatus`, null while the quiz runs and then
//    the program's exit status; `error`, null unless the module crashed;
//  - makes the emulation deliver keys as the desktop does, and wakes the program's
//    waits (platform/web/platform.cpp) on the next input event;
//  - decodes the pictures that platform/web/bitmap_loader.cpp loads;
//  - shows the end of the quiz and offers to play again.

(function() {
  'use strict';

  var canvas = document.getElementById('canvas');
  var statusBox = document.getElementById('status');
  var message = document.getElementById('message');
  var detail = document.getElementById('detail');
  var again = document.getElementById('again');

  var molvane = {output: '', exitStatus: null, error: null};
  window.molvane = molvane;
  var ended = false;

  // ---- Standard output, byte for byte --------------------------------------------

  var consoleLine = '';

  // Writes the program's current partial line to the console.
  function flushConsoleLine() {
    if (consoleLine !== '') {
      console.log(consoleLine);
      consoleLine = '';
    }
  }

  // Takes over the terminal that stdout writes to. It stays a terminal, so the C
  // library buffers by line as on a desktop console.
  function captureStdout() {
    TTY.default_tty_ops.put_char = function(tty, value) {
      if (value === null) {
        return;
      }
      var character = String.fromCharCode(value & 0xff);
      molvane.output += character;
      if (character === '\n') {
        console.log(consoleLine);
        consoleLine = '';
      } else {
        consoleLine += character;
      }
    };
    TTY.default_tty_ops.flush = function() {};
  }

  // ---- Keys as on the desktop ------------------------------------------------------

  // The emulation numbers keys that have no character as SDL scancode | 1 << 10.
  var SCANCODE_KEY = 1 << 10;
  var KEYPAD = {
    Numpad0: 98, Numpad1: 89, Numpad2: 90, Numpad3: 91, Numpad4: 92, Numpad5: 93,
    Numpad6: 94, Numpad7: 95, Numpad8: 96, Numpad9: 97, NumpadDecimal: 99, NumpadEnter: 88
  };
  var DOM_KEY_LOCATION_NUMPAD = 3;
  var CAPS_LOCK = 20;
  var NUM_LOCK = 144;
  var KMOD_NUM = 0x1000;
  var KMOD_CAPS = 0x2000;

  // The key symbol the desktop gives for a DOM key event, where the emulation's own
  // table gives another: the keypad by its position whatever Num Lock says (the
  // emulation would see arrows, or Return for keypad Enter), and Chrome's codes for the
  // main-row "-", "=" and ";". Undefined where the emulation is right.
  function desktopKeySymbol(event) {
    if (event.location === DOM_KEY_LOCATION_NUMPAD) {
      if (KEYPAD.hasOwnProperty(event.code)) {
        return KEYPAD[event.code] | SCANCODE_KEY;
      }
      if (event.keyCode === 13) {
        return KEYPAD.NumpadEnter | SCANCODE_KEY;
      }
    }
    switch (event.keyCode) {
      case 189: return 45;  // -
      case 187: return 61;  // =
      case 186: return 59;  // ;
    }
    return undefined;
  }

  // Caps Lock and Num Lock as the desktop would report them. A lock key's own press
  // toggles its lock; once the browser has shown that it reports a lock's state, its
  // report wins, which also corrects a lock toggled while the page had no focus.
  // Synthetic key events never report one, so they work through the presses alone;
  // and the on-screen keyboard's keys (keyboard.js), made by the page, know nothing of
  // the locks, so they leave them as they are.
  var locks = {caps: false, num: false, capsReported: false, numReported: false};

  function trackLocks(event) {
    if (event.keyCode === CAPS_LOCK) {
      locks.caps = !locks.caps;
      return;
    }
    if (event.keyCode === NUM_LOCK) {
      locks.num = !locks.num;
      return;
    }
    if (!event.isTrusted || typeof event.getModifierState !== 'function') {
      return;
    }
    var caps = event.getModifierState('CapsLock');
    var num = event.getModifierState('NumLock');
    locks.capsReported = locks.capsReported || caps;
    locks.numReported = locks.numReported || num;
    if (locks.capsReported) {
      locks.caps = caps;
    }
    if (locks.numReported) {
      locks.num = num;
    }
  }

  // Keys the browser may still act on: function keys and Ctrl or Cmd shortcuts.
  function browserKeepsKey(event) {
    return (event.keyCode >= 112 && event.keyCode <= 123) || event.ctrlKey || event.metaKey;
  }

  // ---- Waiting for input -----------------------------------------------------------

  var resumeProgram = null;
  var firstWait = true;

  // A promise the program awaits while a screen has nothing to do: it settles when the
  // next input event has reached SDL's queue.
  Module['molvaneNextInput'] = function() {
    if (firstWait) {
      firstWait = false;
      statusBox.hidden = true;
      requestAnimationFrame(function() { performance.mark('molvane-first-frame'); });
    }
    return new Promise(function(resolve) { resumeProgram = resolve; });
  };

  // Resumes the waiting program once SDL's queue holds an event for it.
  function wakeProgram() {
    if (resumeProgram !== null && SDL.events.length > 0) {
      var resume = resumeProgram;
      resumeProgram = null;
      resume();
    }
  }

  // Puts every DOM event that SDL listens to through the desktop rules above.
  function adaptSdl() {
    var receive = SDL.receiveEvent;
    SDL.receiveEvent = function(event) {
      if (ended) {
        return;
      }
      var isKey = event.type === 'keydown' || event.type === 'keyup';
      if (isKey) {
        if (!browserKeepsKey(event)) {
          event.preventDefault();
        }
        if (event.repeat) {
          return;  // key repeat is off on the desktop
        }
        if (event.type === 'keydown') {
          trackLocks(event);
        }
        event.molvaneLocks = (locks.caps ? KMOD_CAPS : 0) | (locks.num ? KMOD_NUM : 0);
      } else if (event.type === 'keypress') {
        event.preventDefault();
        return;
      }
      receive(event);
      wakeProgram();
    };

    var lookup = SDL.lookupKeyCodeForEvent;
    SDL.lookupKeyCodeForEvent = function(event) {
      var symbol = desktopKeySymbol(event);
      return symbol === undefined ? lookup(event) : symbol;
    };

    var handle = SDL.handleEvent;
    SDL.handleEvent = function(event) {
      handle(event);
      if (event.type === 'keydown' || event.type === 'keyup') {
        SDL.modState |= event.molvaneLocks || 0;
      }
    };
  }

  // ---- Pictures --------------------------------------------------------------------

  // Decodes a packed BMP file with the browser's decoder into the table where SDL's
  // picture loading finds it. 1 when done, 0 when the browser cannot decode it.
  Module['molvaneDecodePicture'] = async function(path) {
    try {
      var blob = new Blob([FS.readFile(path)], {type: 'image/bmp'});
      var picture = await createImageBitmap(
          blob, {premultiplyAlpha: 'none', colorSpaceConversion: 'none'});
      Module['preloadedImages'][PATH_FS.resolve(path)] = picture;
      return 1;
    } catch (e) {
      return 0;
    }
  };

  // Lets go of a decoded picture that SDL has copied into a surface.
  Module['molvaneForgetPicture'] = function(path) {
    var key = PATH_FS.resolve(path);
    var picture = Module['preloadedImages'][key];
    delete Module['preloadedImages'][key];
    if (picture && picture.close) {
      picture.close();
    }
  };

  // ---- The end ---------------------------------------------------------------------

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

  // Shows the end panel with text, and extra below it if given, and focuses Play again.
  function showEnd(text, extra) {
    message.textContent = text;
    detail.textContent = extra || '';
    detail.hidden = !extra;
    again.hidden = false;
    statusBox.hidden = false;
    statusBox.classList.add('ended');
    again.focus();
  }

  again.addEventListener('click', function() { location.reload(); });

  // The program has exited with status.
  function finish(status) {
    if (ended) {
      return;
    }
    ended = true;
    flushConsoleLine();
    molvane.exitStatus = status;
    var failure = failureMessage(molvane.output);
    if (failure === null) {
      showEnd('The quiz has ended.');
    } else {
      showEnd('The quiz has ended because of a problem:', failure);
    }
  }

  // The module has crashed or could not start; what says why.
  function crash(what) {
    if (ended) {
      return;
    }
    ended = true;
    flushConsoleLine();
    molvane.error = String(what);
    showEnd('The quiz has stopped because of an error.', lastOutputLine() || molvane.error);
  }

  // Throws that end a run on purpose rather than crash it.
  function isExit(error) {
    return error === 'unwind' || (typeof ExitStatus === 'function' && error instanceof ExitStatus);
  }

  window.addEventListener('error', function(event) {
    if (isExit(event.error)) {
      event.preventDefault();
    } else {
      crash(event.error || event.message);
    }
  });
  window.addEventListener('unhandledrejection', function(event) {
    if (isExit(event.reason)) {
      event.preventDefault();
    } else {
      crash(event.reason);
    }
  });

  // ---- The module ------------------------------------------------------------------

  Module['canvas'] = canvas;
  // The runtime's own remarks ("SDL_Quit called (and ignored)") are not the program's.
  Module['print'] = function(text) { console.debug(text); };
  Module['printErr'] = function(text) { console.warn(text); };
  Module['onExit'] = finish;
  Module['onAbort'] = crash;
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(captureStdout, adaptSdl);

  // A page opened from the disk may not fetch the program and its data, and the
  // browser does not even report the failure to the page.
  if (location.protocol === 'file:') {
    ended = true;
    molvane.error = 'opened from a file';
    showEnd('The quiz cannot run from a file on the disk: it must be served by a web server.');
    again.hidden = true;
    return;
  }
  canvas.focus();
})();
