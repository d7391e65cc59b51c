// "Download quiz folder": the composed quiz as a desktop quiz folder, data/ with the
// files of composed.js's composedFolder, in a .zip that the browser saves. The file's
// name is fixed: the title never becomes part of a path.

import {composedFolder} from './composed.js';
import {zipBlob} from './maker_zip.js';

export var ZIP_NAME = 'molvane-quiz.zip';

// Has the browser save blob as a file called name.
export function save(blob, name) {
  var url = URL.createObjectURL(blob);
  var anchor = document.createElement('a');
  anchor.href = url;
  anchor.download = name;
  document.body.append(anchor);
  anchor.click();
  anchor.remove();
  setTimeout(function() { URL.revokeObjectURL(url); }, 60000);
}

// A promise of the quiz folder of ids in style with title from bank, [{name, bytes}]
// as composedFolder gives it; rejects when a file could not be fetched.
export function wholeFolder(bank, ids, style, title) {
  return composedFolder(bank, ids, style, title).then(function(result) {
    var missing = result.filter(function(file) { return file.bytes === null; });
    if (missing.length > 0) {
      throw new Error('could not fetch ' + missing.map(function(file) {
        return file.name;
      }).join(', '));
    }
    return result;
  });
}

// Makes and saves the zip of the quiz of ids in style with title from bank; reports
// progress and failure in element `status`.
export function downloadFolder(bank, ids, style, title, status) {
  status.textContent = 'Making the folder\u2026';
  return wholeFolder(bank, ids, style, title).then(function(result) {
    save(zipBlob(result.map(function(file) {
      return {name: 'data/' + file.name, bytes: file.bytes};
    })), ZIP_NAME);
    status.textContent = 'Saved ' + ZIP_NAME + ': unzip it and run molvane in its folder.';
  }).catch(function(error) {
    status.textContent = 'The folder could not be made: ' + error.message;
  });
}
