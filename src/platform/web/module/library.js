// Replacements for parts of emscripten's SDL_ttf emulation, linked with --js-library.

mergeInto(LibraryManager.library, {
  // Opens the TrueType font at filename as the desktop does: null when the file is
  // missing or not a font. The emulation draws text with canvas fonts named after the
  // font's path, so the file is registered with the page under that name first;
  // otherwise the browser would silently draw in its default serif face.
  TTF_OpenFont__deps: ['$SDL', '$PATH', '$FS', '$Asyncify'],
  TTF_OpenFont: function(filename, size) {
    return Asyncify.handleAsync(async function() {
      var name = PATH.normalize(UTF8ToString(filename));
      try {
        var face = new FontFace(name, FS.readFile(name));
        await face.load();
        document.fonts.add(face);
      } catch (e) {
        return 0;
      }
      SDL.fonts.push({name: name, size: size});
      return SDL.fonts.length - 1;
    });
  },
});
