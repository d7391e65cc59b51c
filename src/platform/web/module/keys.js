// Linked with --pre-js: makes emscripten's SDL emulation deliver keys as the desktop
// does (the keypad by position, Chrome's codes for "-", "=" and ";", no key repeat,
// Caps Lock and Num Lock in the modifier state), keeps the keys the quiz types from the
// browser, and wakes the program's wait (waits.js) on each input event.

(function() {
  'use strict';

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

  // Puts every DOM event that SDL listens to through the desktop rules above. Once the
  // quiz has ended, events go to the page alone.
  function adaptSdl() {
    var receive = SDL.receiveEvent;
    SDL.receiveEvent = function(event) {
      if (Module['molvaneEnded']()) {
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
      Module['molvaneWake']();
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

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(adaptSdl);
})();
