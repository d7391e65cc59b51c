// Linked with --pre-js: decodes the pictures that platform/web/bitmap_loader.cpp loads
// with the browser's own decoder.

(function() {
  'use strict';

  // Decodes a BMP file with the browser's decoder into the table where SDL's picture
  // loading finds it. 1 when done, 0 when the browser cannot decode it.
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
})();
