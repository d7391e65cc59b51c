// Fetches the files of a quiz folder that the program may open, all at once, so that
// module/data_folder.js can put them into ./data/. A file that cannot be fetched is
// absent, as a missing file is on the desktop.

(function(page) {
  'use strict';

  // A promise of [{name, bytes}] for files [{name, url}], bytes an ArrayBuffer or null.
  page.fetchQuizFolder = function(files) {
    return Promise.all(files.map(function(file) {
      return fetch(file.url).then(function(response) {
        return response.ok ? response.arrayBuffer() : null;
      }).catch(function() {
        return null;
      }).then(function(bytes) {
        return {name: file.name, url: file.url, bytes: bytes};
      });
    }));
  };
})(window.molvanePage = window.molvanePage || {});
