// Linked with --pre-js: the pointer over the canvas stays the page's business. The quiz
// reads no pointer events, so none reaches SDL's queue, and none wakes the program.

(function() {
  'use strict';

  // The canvas events that emscripten's SDL emulation listens to (SDL_SetVideoMode adds
  // them): every mouse, wheel and touch event.
  var POINTER_EVENTS = ['mousemove', 'mousedown', 'mouseup', 'mouseout', 'touchstart',
                        'touchmove', 'touchend', 'DOMMouseScroll', 'mousewheel', 'wheel'];

  // Of those, the ones whose default the emulation prevented and the page would show: a
  // press that selects text or moves the focus, a wheel or a finger that scrolls or zooms.
  var DEFAULTS_PREVENTED = ['mousedown', 'touchstart', 'touchmove', 'touchend',
                            'DOMMouseScroll', 'mousewheel', 'wheel'];

  function preventDefault(event) {
    event.preventDefault();
  }

  // Takes the emulation's pointer listeners off the canvas, so a moving mouse runs no
  // script at all, and keeps what they did to the page beyond queuing events.
  Module['molvaneIgnorePointer'] = function() {
    var canvas = Module['canvas'];
    POINTER_EVENTS.forEach(function(type) {
      canvas.removeEventListener(type, SDL.receiveEvent, true);
    });
    DEFAULTS_PREVENTED.forEach(function(type) {
      canvas.addEventListener(type, preventDefault, {capture: true, passive: false});
    });
  };
})();
