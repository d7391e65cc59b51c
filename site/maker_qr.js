// A QR code of a text, drawn on a canvas from the module matrix of Kazuhiko Arase's
// qrcode-generator (Debian's node-qrcode-generator), which qrcode.js, a classic script
// of the page, defines as the global `qrcode`.

var MARGIN = 4;  // modules of white around the code, as readers expect
var SIZE = 264;  // about this many CSS pixels wide

// Draws text as a QR code (error correction M, the smallest version that holds it) on
// canvas; false when the library is not there.
export function drawQr(canvas, text) {
  var make = globalThis.qrcode;
  if (typeof make !== 'function') {
    return false;
  }
  var code = make(0, 'M');
  code.addData(text, 'Byte');
  code.make();
  var count = code.getModuleCount();
  var cell = Math.max(2, Math.floor(SIZE / (count + 2 * MARGIN)));
  var side = (count + 2 * MARGIN) * cell;
  canvas.width = side;
  canvas.height = side;
  var context = canvas.getContext('2d');
  context.fillStyle = '#fff';
  context.fillRect(0, 0, side, side);
  context.fillStyle = '#000';
  for (var row = 0; row < count; row += 1) {
    for (var column = 0; column < count; column += 1) {
      if (code.isDark(row, column)) {
        context.fillRect((column + MARGIN) * cell, (row + MARGIN) * cell, cell, cell);
      }
    }
  }
  return true;
}
