// The page's own on-screen keyboard, for phones and tablets, whose canvas brings up no
// system keyboard. It builds its keys into <div id="keyboard" hidden> and shows them on a
// device whose primary pointer is coarse, or on any device after its first touch
// (setUpKeyboard).
//
// A key goes into the program exactly as a physical key does: a keydown on the document
// when the finger lands and a keyup when it lifts, with the key codes a desktop browser
// gives, so that SDL's listeners and the module's key adaption (keys.js) treat it as any
// other key and the program's own rules decide what it types. Shift latches for the
// next letter: that letter goes in between a left Shift's keydown and its keyup.

var keyboard = document.getElementById('keyboard');

var SHIFT = {key: 'Shift', code: 'ShiftLeft', keyCode: 16, location: 1};

// A letter key; its face turns capital while Shift is latched.
function letter(c) {
  var upper = c.toUpperCase();
  return {dataKey: c, key: c, code: 'Key' + upper, keyCode: upper.charCodeAt(0), face: c,
          letter: true};
}
// A digit key of the main row.
function digit(c) {
  return {dataKey: c, key: c, code: 'Digit' + c, keyCode: c.charCodeAt(0), face: c};
}
// A sign key, named for screen readers.
function sign(c, code, keyCode, name) {
  return {dataKey: c, key: c, code: code, keyCode: keyCode, face: c, name: name};
}
// A word key: space, or a key that types no character.
function named(key, code, keyCode, face, name, wide) {
  return {dataKey: key, key: key, code: code, keyCode: keyCode, face: face, name: name,
          wide: wide, word: true};
}

// The rows of keys, 20 half keys each. A key has its data-key; the DOM key, code and
// keyCode it sends; its face; its accessible name where the face does not say it;
// whether it is one and a half keys wide, and whether it is a word key (no character
// or space). "(", ")" and "+" send the codes that the emulation maps to their own key
// symbols, as on a keyboard that has keys for them.
var ROWS = [
  '1234567890'.split('').map(digit),
  'qwertyuiop'.split('').map(letter),
  'asdfghjkl'.split('').map(letter).concat([sign('-', 'Minus', 189, 'Hyphen')]),
  [named('Shift', 'ShiftLeft', 16, '\u21e7', 'Shift', true)]
      .concat('zxcvbnm'.split('').map(letter))
      .concat([named('Backspace', 'Backspace', 8, '\u232b', 'Backspace', true)]),
  [named('Escape', 'Escape', 27, 'Esc', 'Escape'), sign('(', '', 168, 'Left parenthesis'),
   sign(')', '', 169, 'Right parenthesis'), sign('+', '', 171, 'Plus'),
   sign(',', 'Comma', 188, 'Comma'), named(' ', 'Space', 32, 'space', 'Space', true),
   sign('.', 'Period', 190, 'Full stop'), sign('/', 'Slash', 191, 'Slash'),
   named('Enter', 'Enter', 13, '\u23ce', 'Enter', true)]
];

var keys = {};           // data-key => key description
var letterButtons = [];
var shiftButton = null;
var latched = false;
var held = {};           // pointer id => {key, shifted, button}

// Sends one DOM key event of type for key to the document, as a keyboard would.
function send(type, key, shifted) {
  var event = new KeyboardEvent(type, {
    key: shifted && key.letter ? key.key.toUpperCase() : key.key, code: key.code,
    location: key.location || 0, shiftKey: shifted, bubbles: true, cancelable: true,
    view: window
  });
  // Not every browser's constructor takes the legacy codes, and the emulation reads them.
  Object.defineProperty(event, 'keyCode', {value: key.keyCode});
  Object.defineProperty(event, 'which', {value: key.keyCode});
  document.dispatchEvent(event);
}

// Shows capitals on the letter keys while Shift is latched.
function setLatched(on) {
  latched = on;
  shiftButton.setAttribute('aria-pressed', on ? 'true' : 'false');
  letterButtons.forEach(function(button) {
    var face = button.getAttribute('data-key');
    button.textContent = on ? face.toUpperCase() : face;
  });
}

// A finger (or pointer) has come down on button: the key goes down.
function press(id, button) {
  var key = keys[button.getAttribute('data-key')];
  if (key.dataKey === 'Shift') {
    setLatched(!latched);
    return;
  }
  var shifted = latched && key.letter === true;
  if (shifted) {
    setLatched(false);
    send('keydown', SHIFT, true);
  }
  held[id] = {key: key, shifted: shifted, button: button};
  button.classList.add('down');
  send('keydown', key, shifted);
}

// The finger that pressed has lifted, or was taken over by the browser: the key goes up.
function release(id) {
  var pressed = held[id];
  if (!pressed) {
    return;
  }
  delete held[id];
  pressed.button.classList.remove('down');
  send('keyup', pressed.key, pressed.shifted);
  if (pressed.shifted) {
    send('keyup', SHIFT, false);
  }
}

// The key button that event happened on, or null.
function keyButton(event) {
  var target = event.target;
  var button = target && target.closest ? target.closest('button[data-key]') : null;
  return button && keyboard.contains(button) ? button : null;
}

// Builds the keys into the container.
function build() {
  ROWS.forEach(function(row) {
    row.forEach(function(key) {
      var button = document.createElement('button');
      button.type = 'button';
      button.tabIndex = -1;
      button.setAttribute('data-key', key.dataKey);
      button.textContent = key.face;
      if (key.name) {
        button.setAttribute('aria-label', key.name);
      }
      if (key.word) {
        button.classList.add('word');
      }
      if (key.wide) {
        button.classList.add('wide');
      }
      if (key.letter) {
        letterButtons.push(button);
      }
      if (key.dataKey === 'Shift') {
        shiftButton = button;
      }
      keys[key.dataKey] = key;
      keyboard.appendChild(button);
    });
  });
  keyboard.setAttribute('role', 'group');
  keyboard.setAttribute('aria-label', 'Keyboard');
  setLatched(false);
}

// Pointer events cover fingers, pens and mice alike, one pointer id each.
function listen() {
  keyboard.addEventListener('pointerdown', function(event) {
    var button = keyButton(event);
    event.preventDefault();
    if (button === null || held[event.pointerId] || event.button > 0) {
      return;
    }
    if (button.setPointerCapture) {
      try {
        button.setPointerCapture(event.pointerId);
      } catch (e) {
        // A pointer that is already gone: its pointerup does not come either.
      }
    }
    press(event.pointerId, button);
  });
  ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function(type) {
    keyboard.addEventListener(type, function(event) { release(event.pointerId); });
  });
  // No zoom, scroll, text selection, context menu, focus change or emulated mouse
  // click from the keys.
  ['touchstart', 'touchmove', 'touchend', 'touchcancel', 'mousedown', 'contextmenu',
   'selectstart', 'dblclick'].forEach(function(type) {
    keyboard.addEventListener(type, function(event) { event.preventDefault(); },
                              {passive: false});
  });
  // A click without a pointer press before it comes from assistive technology: a
  // press and its release.
  keyboard.addEventListener('click', function(event) {
    var button = keyButton(event);
    if (button !== null && event.detail === 0) {
      press('click', button);
      release('click');
    }
  });
}

// Shows the keyboard and lets the canvas make room for it.
function show() {
  if (keyboard.hidden) {
    keyboard.hidden = false;
    keyboard.parentElement.classList.add('keyboard-shown');
  }
}

// Builds the keyboard, to show on a touch screen: at once where the primary pointer is
// coarse, else at the first touch.
export function setUpKeyboard() {
  if (!keyboard) {
    return;
  }
  build();
  listen();
  var coarse = window.matchMedia ? window.matchMedia('(pointer: coarse)') : null;
  if (coarse && coarse.matches) {
    show();
  } else {
    window.addEventListener('touchstart', show, {capture: true, passive: true, once: true});
    if (coarse && coarse.addEventListener) {
      coarse.addEventListener('change', function() {
        if (coarse.matches) {
          show();
        }
      });
    }
  }
}
