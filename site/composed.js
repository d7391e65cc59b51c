// The quiz folder of a quiz made of bank molecules (see composed_link.js): an ordinary
// quiz folder, as the desktop reads it: "Molecule List.txt" with the names in the
// chosen style, one picture per molecule, the four screens and the font, all fetched
// from the URLs the bank names (bank/index.json, see tools/web_bank.py), and
// Homescreen.bmp, the style's home screen with "TITLE · N molecules" drawn where the
// builder draws a lesson's topic line, in its look.

import {unpacks} from './catalogue.js';
import {fetchQuizFolder, unpack} from './quiz_folder.js';

export var BANK = 'bank/index.json';
var FONT = 'nsecthck.ttf';
var SIZE = {width: 800, height: 600};
// As tools/quizart.py draws a topic line: centred on (400, 168), 26 pixels, bold, amber.
// Its centre is midway between DejaVu Sans's ascent (0.928 em) and descent (0.236 em),
// which puts the baseline 9 pixels below it.
// The site's font has no bold face: the letters are widened by a tenth, as DejaVu Sans
// Bold's are, and thickened by an outline in their colour.
var TOPIC_LINE = {x: 400, baseline: 177, font: '26px MolvaneQuizFont', widen: 1.1,
                  colour: 'rgb(242, 169, 59)', stroke: 1.4};

// A promise of the bytes of the site's own file at url, always asked of the network
// first (the service worker keeps the site's own files and serves them without one).
// Where the site has no such file, the error's `absent` is true.
export function fetchOwnBytes(url) {
  return fetch(url, {cache: 'no-cache'}).then(function(response) {
    if (!response.ok) {
      var error = new Error(url + ': ' + response.status);
      error.absent = response.status === 404;
      throw error;
    }
    return response.arrayBuffer();
  });
}

// A promise of the bytes of the site's own file at url, from its gzip copy (url.gz)
// where the browser can unpack it.
function fetchOwnFile(url) {
  return unpacks ? fetchOwnBytes(url + '.gz').then(unpack).catch(function() {
    return fetchOwnBytes(url);
  }) : fetchOwnBytes(url);
}

// A promise of the parsed bank.
export function fetchBank() {
  return fetchOwnFile(BANK).then(function(bytes) {
    return JSON.parse(new TextDecoder().decode(bytes));
  });
}

// What the home screen says under the title: "TITLE · N molecules".
export function topicLine(title, count) {
  return title + ' \u00b7 ' + count + ' molecule' + (count === 1 ? '' : 's');
}

// The text of a list file: the count, then one name a line, LF after each.
function listText(names) {
  return names.length + '\n' + names.map(function(name) { return name + '\n'; }).join('');
}

// The bytes of a Latin-1 string (every character below U+0100) as an ArrayBuffer.
function latin1Bytes(text) {
  var bytes = new Uint8Array(text.length);
  for (var i = 0; i < text.length; i++) {
    bytes[i] = text.charCodeAt(i);
  }
  return bytes.buffer;
}

// A 24-bit uncompressed BMP of RGBA pixels (an ImageData), as an ArrayBuffer.
export function bmpBytes(image) {
  var width = image.width;
  var height = image.height;
  var rowSize = Math.ceil(width * 3 / 4) * 4;
  var size = 54 + rowSize * height;
  var buffer = new ArrayBuffer(size);
  var view = new DataView(buffer);
  view.setUint8(0, 0x42);  // "BM"
  view.setUint8(1, 0x4d);
  view.setUint32(2, size, true);
  view.setUint32(10, 54, true);  // where the pixels start
  view.setUint32(14, 40, true);  // BITMAPINFOHEADER
  view.setInt32(18, width, true);
  view.setInt32(22, height, true);  // bottom row first
  view.setUint16(26, 1, true);
  view.setUint16(28, 24, true);
  view.setUint32(34, rowSize * height, true);
  view.setInt32(38, 2835, true);  // 72 dpi
  view.setInt32(42, 2835, true);
  var bytes = new Uint8Array(buffer);
  var pixels = image.data;
  for (var y = 0; y < height; y++) {
    var row = 54 + (height - 1 - y) * rowSize;
    for (var x = 0; x < width; x++) {
      var from = (y * width + x) * 4;
      bytes[row + x * 3] = pixels[from + 2];
      bytes[row + x * 3 + 1] = pixels[from + 1];
      bytes[row + x * 3 + 2] = pixels[from];
    }
  }
  return buffer;
}

// A 2D drawing surface of the screen's size: offscreen where the browser offers that.
function surface() {
  if (typeof OffscreenCanvas === 'function') {
    return new OffscreenCanvas(SIZE.width, SIZE.height);
  }
  var canvas = document.createElement('canvas');
  canvas.width = SIZE.width;
  canvas.height = SIZE.height;
  return canvas;
}

// A promise of the home screen (BMP bytes): the template's bytes with line drawn in the
// font of fontBytes.
export function drawHomeScreen(templateBytes, fontBytes, line) {
  var face = new FontFace('MolvaneQuizFont', fontBytes);
  return Promise.all([
    createImageBitmap(new Blob([templateBytes], {type: 'image/bmp'})),
    face.load().then(function(loaded) { document.fonts.add(loaded); })
  ]).then(function(got) {
    var canvas = surface();
    var context = canvas.getContext('2d');
    context.drawImage(got[0], 0, 0);
    context.font = TOPIC_LINE.font;
    context.fillStyle = TOPIC_LINE.colour;
    context.textAlign = 'center';
    context.translate(TOPIC_LINE.x, 0);
    context.scale(TOPIC_LINE.widen, 1);
    context.textBaseline = 'alphabetic';
    context.fillText(line, 0, TOPIC_LINE.baseline);
    context.strokeStyle = TOPIC_LINE.colour;
    context.lineWidth = TOPIC_LINE.stroke;
    context.lineJoin = 'round';
    context.strokeText(line, 0, TOPIC_LINE.baseline);
    return bmpBytes(context.getImageData(0, 0, SIZE.width, SIZE.height));
  });
}

// {name, url, packedUrl} of the file at the bank's url.
function bankFile(bank, name, url) {
  var packedUrl = bank.gzip === true && unpacks ? url.replace('?', '.gz?') : null;
  return {name: name, url: url, packedUrl: packedUrl};
}

// A promise of the quiz folder of bank IDs ids (all in bank) in style with title:
// [{name, url, bytes}], url the one a file was fetched from (for the offline copy;
// null for the files made here), bytes an ArrayBuffer, or null for a file that could
// not be fetched, which the program then reports as missing.
export function composedFolder(bank, ids, style, title) {
  var byId = new Map(bank.molecules.map(function(molecule) { return [molecule.id, molecule]; }));
  var molecules = ids.slice().sort(function(a, b) { return a - b; }).map(function(id) {
    return byId.get(id);
  });
  var names = molecules.map(function(molecule) { return molecule.names[style]; });
  var fixed = Object.keys(bank.files).map(function(name) {
    return bankFile(bank, name, bank.files[name]);
  });
  var pictures = molecules.map(function(molecule) {
    return bankFile(bank, molecule.names[style] + '.bmp', molecule.picture);
  });
  // The home screen is drawn as soon as its template and the font are there, while
  // the pictures still come in: they are asked for first, as the browser serves
  // requests in order over its few connections.
  var template = fetchOwnFile(bank.home[style]);
  var font = fetchQuizFolder(fixed.filter(function(file) { return file.name === FONT; }));
  var others = fetchQuizFolder(fixed.filter(function(file) { return file.name !== FONT; })
      .concat(pictures));
  var home = Promise.all([font, template]).then(function(got) {
    var fontBytes = got[0].length > 0 ? got[0][0].bytes : null;
    if (fontBytes === null) {
      throw new Error('no font');
    }
    return drawHomeScreen(got[1], fontBytes.slice(0), topicLine(title, names.length));
  }).catch(function(error) {
    console.warn('The home screen could not be drawn: ' + error);
    return null;
  });
  return Promise.all([font, others, home]).then(function(got) {
    return got[0].concat(got[1], [
      {name: 'Molecule List.txt', url: null, bytes: latin1Bytes(listText(names))},
      {name: 'Homescreen.bmp', url: null, bytes: got[2]}
    ]);
  });
}
