// Linked with --pre-js: puts the quiz folder that the page fetched (site/quiz_folder.js)
// into the program's ./data/ before main() runs. A file that could not be fetched is
// simply absent, so the program reports it as it would on the desktop.

(function() {
  'use strict';

  // Writes each fetched file, {name, bytes} with bytes null when absent, below /data.
  function writeDataFolder(files) {
    FS.mkdirTree('/data');
    files.forEach(function(file) {
      if (file.bytes === null) {
        return;
      }
      var path = '/data/' + file.name;
      FS.mkdirTree(PATH.dirname(path));
      FS.writeFile(path, new Uint8Array(file.bytes));
    });
  }

  // Holds the start of the program until Module.molvaneQuizFiles, a promise of the
  // folder's files, has settled.
  function waitForDataFolder() {
    addRunDependency('molvane-data');
    Promise.resolve(Module['molvaneQuizFiles']).then(function(files) {
      writeDataFolder(files || []);
      removeRunDependency('molvane-data');
    }, function(error) {
      abort('the quiz folder could not be loaded: ' + error);
    });
  }

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(waitForDataFolder);
})();
