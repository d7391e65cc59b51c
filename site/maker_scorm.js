// "Download for a learning platform (SCORM)": the composed quiz as the SCORM 1.2
// package that tools/scorm_package.py makes of a quiz folder: imsmanifest.xml, the
// site's page and program opening straight into the quiz (scorm_site.js), a catalogue
// of just this quiz, and the quiz's folder in quizzes/QUIZ_ID/, in a .zip that the
// browser saves. The quiz ID and the file's name are fixed: the title never becomes
// part of a path.

import {fetchCatalogue, parseCatalogue} from './catalogue.js';
import {shortHash} from './hashes.js';
import {save, wholeFolder} from './maker_download.js';
import {deflatedZipBlob} from './maker_zip.js';
import {scormManifest} from './scorm_manifest.js';
import {siteOfOneQuiz} from './scorm_site.js';

export var SCORM_NAME = 'molvane-quiz-scorm.zip';
export var QUIZ_ID = 'quiz';
var DEFAULT_TITLE = 'Molvane quiz';
// The files of a quiz folder in the order the site tool lists them, pictures after.
var FIXED_FILES = ['Molecule List.txt', 'nsecthck.ttf', 'background.bmp', 'correct.bmp',
                   'incorrect.bmp', 'last.bmp', 'Homescreen.bmp'];

// folder's files [{name, bytes}] with the fixed files first, in FIXED_FILES's order.
function inSiteOrder(folder) {
  function rank(index) {
    var fixed = FIXED_FILES.indexOf(folder[index].name);
    return fixed < 0 ? FIXED_FILES.length + index : fixed;
  }
  return folder.map(function(file, index) { return index; }).sort(function(a, b) {
    return rank(a) - rank(b);
  }).map(function(index) { return folder[index]; });
}

// A promise of the catalogue's text, as tools/web_site.py writes it, of a site of build
// whose one quiz is record; the styles and levels those of the site's catalogue.
function catalogueText(build, record) {
  return fetchCatalogue().then(parseCatalogue).then(function(site) {
    return '{"build":' + JSON.stringify(build) + ',"styles":' + JSON.stringify(site.styles) +
        ',"levels":' + JSON.stringify(site.levels) + ',"quizzes":[\n' +
        JSON.stringify(record) + '\n]}\n';
  });
}

// A promise of the package's files {name: bytes} of quiz folder `folder` of count
// molecules with title.
function packageFiles(folder, count, title) {
  var quiz = inSiteOrder(folder);
  return Promise.all([
    siteOfOneQuiz(QUIZ_ID),
    Promise.all(quiz.map(function(file) { return shortHash(file.bytes); }))
  ]).then(function(got) {
    var files = got[0].files;
    var record = {id: QUIZ_ID, topic: title, molecules: count,
                  files: {}, gzip: false};
    quiz.forEach(function(file, index) {
      record.files[file.name] = got[1][index];
      files['quizzes/' + QUIZ_ID + '/' + file.name] = file.bytes;
    });
    return catalogueText(got[0].build, record).then(function(text) {
      files['quizzes/index.json'] = new TextEncoder().encode(text);
      return files;
    });
  });
}

// Whether the package holds file name as it is: it is compressed already.
function storedAsIs(name) {
  return /\.(gz|png)$/.test(name);
}

// Makes and saves the SCORM package of the quiz of ids in style with title from bank;
// reports progress and failure in element `status`.
export function downloadScorm(bank, ids, style, title, status) {
  status.textContent = 'Making the package\u2026';
  var heading = title || DEFAULT_TITLE;
  // The hashes need crypto.subtle, which browsers give only pages from https or this
  // machine.
  var ready = self.crypto && crypto.subtle ? Promise.resolve() :
      Promise.reject(new Error('the page must come over https'));
  return ready.then(function() {
    return wholeFolder(bank, ids, style, heading);
  }).then(function(folder) {
    return packageFiles(folder, ids.length, heading);
  }).then(function(files) {
    var names = Object.keys(files).sort();
    var manifest = scormManifest(QUIZ_ID, heading, names);
    return deflatedZipBlob([{name: 'imsmanifest.xml', bytes: new TextEncoder().encode(manifest)}]
        .concat(names.map(function(name) { return {name: name, bytes: files[name]}; })),
        storedAsIs);
  }).then(function(blob) {
    save(blob, SCORM_NAME);
    status.textContent = 'Saved ' + SCORM_NAME + ': upload it to the learning platform as a ' +
        'SCORM package.';
  }).catch(function(error) {
    status.textContent = 'The package could not be made: ' + error.message;
  });
}
