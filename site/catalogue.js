// The catalogue of quizzes (quizzes/index.json) and where a quiz's files are fetched
// from. Every URL the page builds for a quiz lies below quizzes/. The service worker
// imports this module too, to know which stored quiz files are still in use.
//
//   {"build": "<build id>",
//    "quizzes": [{"id": "mixed", "topic": "Mixed practice", "molecules": 20,
//                 "files": {"Molecule List.txt": "<hash>", ...}, "gzip": true}, ...]}
//
// With "gzip", the folder holds a gzip copy NAME.gz beside each file, which a browser
// that can unpack it fetches instead: it is about half the size, and many hosts send
// files as they are.

var QUIZ_ID = /^[a-z0-9-]{1,64}$/;
var HASH = /^[0-9a-f]{16}$/;
export var CATALOGUE = 'quizzes/index.json';

// Whether text is a quiz ID: lower-case letters, digits and hyphens, 1 to 64 of them.
export function isQuizId(text) {
  return typeof text === 'string' && QUIZ_ID.test(text);
}

// Whether name is a path inside a quiz folder: relative, with no empty, "." or ".."
// part, so that it can reach neither outside the folder nor outside ./data/.
function isFolderPath(name) {
  if (typeof name !== 'string' || name.indexOf('\0') >= 0) {
    return false;
  }
  return name.split('/').every(function(part) {
    return part !== '' && part !== '.' && part !== '..';
  });
}

// Whether this browser can unpack gzip copies, in the page and the service worker alike.
export var unpacks = typeof DecompressionStream === 'function';

// The URL of a file of the folder of quiz id, its parts escaped; suffix '.gz' for its
// gzip copy.
function fileUrl(id, name, hash, suffix) {
  return 'quizzes/' + id + '/' + name.split('/').map(encodeURIComponent).join('/') + suffix +
      '?v=' + hash;
}

// The quizzes of a parsed catalogue that the page can use, in catalogue order.
export function quizzesOf(catalogue) {
  var quizzes = catalogue && Array.isArray(catalogue.quizzes) ? catalogue.quizzes : [];
  return quizzes.filter(function(quiz) {
    return quiz && isQuizId(quiz.id) && quiz.files && typeof quiz.files === 'object';
  });
}

// The quiz with id, or null.
export function findQuiz(catalogue, id) {
  return quizzesOf(catalogue).filter(function(quiz) { return quiz.id === id; })[0] || null;
}

// The files of every quiz of the catalogue, a Map from quiz ID to [{name, url,
// packedUrl}]: packedUrl is that of the gzip copy, or null where there is none or the
// browser cannot unpack it. A file shared by several quizzes (the same hash) has one
// URL, in the folder of the first quiz that lists it, so the browser fetches and
// stores it once.
function filesOfEveryQuiz(catalogue) {
  var firstUrl = {};
  var firstPackedUrl = {};
  var filesOf = new Map();
  quizzesOf(catalogue).forEach(function(quiz) {
    var files = filesOf.get(quiz.id) || [];
    filesOf.set(quiz.id, files);
    Object.keys(quiz.files).forEach(function(name) {
      var hash = quiz.files[name];
      if (!isFolderPath(name) || typeof hash !== 'string' || !HASH.test(hash)) {
        return;
      }
      if (!firstUrl.hasOwnProperty(hash)) {
        firstUrl[hash] = fileUrl(quiz.id, name, hash, '');
        firstPackedUrl[hash] = quiz.gzip === true && unpacks ?
            fileUrl(quiz.id, name, hash, '.gz') : null;
      }
      files.push({name: name, url: firstUrl[hash], packedUrl: firstPackedUrl[hash]});
    });
  });
  return filesOf;
}

// [{name, url, packedUrl}] for the files of quiz id (see filesOfEveryQuiz).
export function quizFiles(catalogue, id) {
  return filesOfEveryQuiz(catalogue).get(id) || [];
}

// Every file URL of the catalogue that a page fetches, relative to the site.
export function allQuizFileUrls(catalogue) {
  var urls = [];
  filesOfEveryQuiz(catalogue).forEach(function(files) {
    files.forEach(function(file) {
      urls.push(file.packedUrl || file.url);
    });
  });
  return urls;
}

// A promise of the catalogue's bytes, always asked of the network first (the service
// worker falls back on its stored copy), so that a quiz added since shows at once.
export function fetchCatalogue() {
  return fetch(CATALOGUE, {cache: 'no-cache'}).then(function(response) {
    if (!response.ok) {
      throw new Error(CATALOGUE + ': ' + response.status);
    }
    return response.arrayBuffer();
  });
}

// The catalogue of its bytes.
export function parseCatalogue(bytes) {
  return JSON.parse(new TextDecoder().decode(bytes));
}
