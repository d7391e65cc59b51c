// Linked with --pre-js: the program's standard output, byte for byte, into the page
// contract (window.molvane.output, see site/contract.js) and, line by line, the console.

(function() {
  'use strict';

  var consoleLine = '';

  // Writes the program's current partial line to the console.
  Module['molvaneFlushConsole'] = function() {
    if (consoleLine !== '') {
      console.log(consoleLine);
      consoleLine = '';
    }
  };

  // Takes over the terminal that stdout writes to. It stays a terminal, so the C
  // library buffers by line as on a desktop console.
  function captureStdout() {
    TTY.default_tty_ops.put_char = function(tty, value) {
      if (value === null) {
        return;
      }
      var character = String.fromCharCode(value & 0xff);
      window.molvane.output += character;
      if (character === '\n') {
        console.log(consoleLine);
        consoleLine = '';
      } else {
        consoleLine += character;
      }
    };
    TTY.default_tty_ops.flush = function() {};
  }

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(captureStdout);
})();
