// Linked with --pre-js: decodes the pictures of the kinds that platform/web/
// bitmap_loader.cpp takes itself into their canvases when they are first drawn, and the
// others at once with the browser's own decoder.

(function() {
  'use strict';

  // The surfaces whose pictures are still to be decoded and drawn into their canvases,
  // each with the path of its file: a picture waits until it is first drawn (its first
  // blit), as decoding it and filling a canvas take their time.
  var pending = {};

  Module['molvaneDrawPictureWhenUsed'] = function(surface, path) {
    pending[surface] = path;
  };

  function drawPendingPicture(surface) {
    if (!pending.hasOwnProperty(surface)) {
      return;
    }
    var file = FS.readFile(pending[surface]);
    delete pending[surface];
    var data = SDL.surfaces[surface];
    var copy = _malloc(file.length);
    HEAPU8.set(file, copy);
    Module['_molvaneDecodeBitmap'](copy, file.length, data.buffer);
    _free(copy);
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, data.buffer, data.width * data.height * 4);
    data.ctx.putImageData(new ImageData(pixels, data.width, data.height), 0, 0);
  }

  function drawPicturesWhenUsed() {
    var blit = SDL.blitSurface;
    SDL.blitSurface = function(source) {
      drawPendingPicture(source);
      return blit.apply(this, arguments);
    };
    var free = SDL.freeSurface;
    SDL.freeSurface = function(surface) {
      delete pending[surface];
      return free.apply(this, arguments);
    };
  }

  // Decodes a BMP file with the browser's decoder into the table where SDL's picture
  // loading finds it. 1 when done, 0 when the browser cannot decode it.
  Module['molvaneDecodePicture'] = async function(path) {
    try {
      // The browser's default decoding options: a BMP file names no colour space, and
      // the pictures are only drawn, never read back, so asking for no colour
      // conversion and no premultiplied alpha would change no pixel on the screen but
      // would take the decoder's slow path, twice as slow for a whole screen.
      var blob = new Blob([FS.readFile(path)], {type: 'image/bmp'});
      var picture = await createImageBitmap(blob);
      Module['preloadedImages'][PATH_FS.resolve(path)] = picture;
      return 1;
    } catch (e) {
      return 0;
    }
  };

  // The emulation copies every loaded picture's pixels back out of its canvas into
  // memory, in case the program reads them. This program only ever draws its pictures,
  // so the copy, a canvas read-back per picture, is skipped.
  function drawOnlyPictures() {
    SDL.defaults.discardOnLock = true;
  }
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(drawOnlyPictures, drawPicturesWhenUsed);

  // Lets go of a decoded picture that SDL has copied into a surface.
  Module['molvaneForgetPicture'] = function(path) {
    var key = PATH_FS.resolve(path);
    var picture = Module['preloadedImages'][key];
    delete Module['preloadedImages'][key];
    if (picture && picture.close) {
      picture.close();
    }
  };
})();
