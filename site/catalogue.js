// The catalogue of quizzes (quizzes/index.json) and where a quiz's files are fetched
// from. Every URL the page builds for a quiz lies below quizzes/. The service worker
// imports this module too, to know which stored quiz files are still in use.
//
//   {"build": "<build id>",
//    "styles": [{"id": "uk", "description": "UK, IB and ..."}, ...],
//    "levels": [{"id": "first-steps", "heading": "First steps"}, ...],
//    "quizzes": [{"id": "mixed", "topic": "Mixed practice", "molecules": 20,
//                 "files": {"Molecule List.txt": "<hash>", ...}, "gzip": true},
//                {"id": "alkanes", "topic": "Alkanes", "level": "first-steps",
//                 "molecules": 14, "files": {...}, "gzip": true,
//                 "styles": {"us": {"molecules": 14, "files": {...}, "shared": "<hash>"},
//                            ...}}, ...]}
//
// "styles" lists the naming styles, the default first; a quiz's own files (in
// quizzes/ID/) play in the default style, its versions in other styles are in
// quizzes/ID.STYLE/. So that the catalogue stays small, a version lists only its files
// that the quiz's own files do not hold (its list, its home screen); the others, such
// as its pictures under the style's names, are in its shared list, shared.json in its
// folder, {name: hash}, with the hash "shared" (tools/site_places.py writes it).
// "levels" gives the headings of the lessons' levels, in the order the list shows them.
// With "gzip", the folders hold a gzip copy NAME.gz beside each file, which a browser
// that can unpack it fetches instead: it is about half the size, and many hosts send
// files as they are.

var QUIZ_ID = /^[a-z0-9-]{1,64}$/;
var STYLE_ID = /^[a-z]{1,16}$/;
var SHARED_FILE = 'shared.json';
var HASH = /^[0-9a-f]{16}$/;
export var CATALOGUE = 'quizzes/index.json';

// Whether text is a quiz ID: lower-case letters, digits and hyphens, 1 to 64 of them.
export function isQuizId(text) {
  return typeof text === 'string' && QUIZ_ID.test(text);
}

// Whether text could name a naming style: 1 to 16 lower-case letters.
export function isStyleId(text) {
  return typeof text === 'string' && STYLE_ID.test(text);
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

// The URL of a file of quiz folder `folder`, its parts escaped; suffix '.gz' for its
// gzip copy.
function fileUrl(folder, name, hash, suffix) {
  return 'quizzes/' + folder + '/' + name.split('/').map(encodeURIComponent).join('/') +
      suffix + '?v=' + hash;
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

// The naming styles of the catalogue, [{id, description}], the default first.
export function stylesOf(catalogue) {
  var styles = catalogue && Array.isArray(catalogue.styles) ? catalogue.styles : [];
  return styles.filter(function(style) {
    return style && isStyleId(style.id) && typeof style.description === 'string';
  });
}

// The levels of the catalogue's lessons in order, [{id, heading}].
export function levelsOf(catalogue) {
  var levels = catalogue && Array.isArray(catalogue.levels) ? catalogue.levels : [];
  return levels.filter(function(level) {
    return level && typeof level.id === 'string' && typeof level.heading === 'string';
  });
}

// Whether the catalogue offers naming style `style`.
export function hasStyle(catalogue, style) {
  return stylesOf(catalogue).some(function(known) { return known.id === style; });
}

// [{style, folder, molecules, files, shared}] of a quiz: its own files (style null), then
// its versions in other naming styles; shared is the hash of a version's shared list,
// or null.
function versionsOf(quiz) {
  var versions = [{style: null, folder: quiz.id, molecules: quiz.molecules, files: quiz.files,
                   shared: null}];
  var styles = quiz.styles && typeof quiz.styles === 'object' ? quiz.styles : {};
  Object.keys(styles).forEach(function(style) {
    var version = styles[style];
    if (isStyleId(style) && version && version.files && typeof version.files === 'object') {
      versions.push({style: style, folder: quiz.id + '.' + style,
                     molecules: version.molecules, files: version.files,
                     shared: HASH.test(version.shared) ? version.shared : null});
    }
  });
  return versions;
}

// The naming styles a quiz has a version of its own in, besides its own files.
export function quizStyles(quiz) {
  return versionsOf(quiz).slice(1).map(function(version) { return version.style; });
}

// The version {style, folder, molecules, files} of `quiz` that plays in naming style
// `style`, or null where it has none: its own files for the default style and for null
// (a link without a style).
export function quizVersion(catalogue, quiz, style) {
  var versions = versionsOf(quiz);
  var styles = stylesOf(catalogue);
  if (style === null || (styles.length > 0 && styles[0].id === style)) {
    return versions[0];
  }
  return versions.filter(function(version) { return version.style === style; })[0] || null;
}

// The version of quiz id that plays in naming style `style` (see quizVersion), or null
// where there is no such quiz or version.
export function findVersion(catalogue, id, style) {
  var quiz = findQuiz(catalogue, id);
  return quiz === null ? null : quizVersion(catalogue, quiz, style);
}

// The files of every quiz version of the catalogue: filesOf, a Map from its folder to
// [{name, url, packedUrl, shared}], and where each content is, {hash: {url,
// packedUrl}}. packedUrl is that of the gzip copy, or null where there is none or the
// browser cannot unpack it; shared is true for a version's shared list. A file shared
// by several versions (the same hash) has one URL, in the folder of the first version
// that lists it, so the browser fetches and stores it once, and the site stores it only
// there (tools/site_places.py).
function filesOfEveryQuiz(catalogue) {
  var where = {};
  var filesOf = new Map();
  quizzesOf(catalogue).forEach(function(quiz) {
    versionsOf(quiz).forEach(function(version) {
      var files = filesOf.get(version.folder) || [];
      filesOf.set(version.folder, files);
      function add(name, hash, shared) {
        if (!isFolderPath(name) || typeof hash !== 'string' || !HASH.test(hash)) {
          return;
        }
        if (!where.hasOwnProperty(hash)) {
          where[hash] = {url: fileUrl(version.folder, name, hash, ''),
                         packedUrl: quiz.gzip === true && unpacks ?
                             fileUrl(version.folder, name, hash, '.gz') : null};
        }
        files.push({name: name, url: where[hash].url, packedUrl: where[hash].packedUrl,
                    shared: shared});
      }
      Object.keys(version.files).forEach(function(name) {
        add(name, version.files[name], false);
      });
      if (version.shared !== null) {
        add(SHARED_FILE, version.shared, true);
      }
    });
  });
  return {filesOf: filesOf, where: where};
}

// [{name, url, packedUrl, shared}] for the files of a quiz version that the catalogue
// lists, its shared list among them (see filesOfEveryQuiz).
export function quizFiles(catalogue, version) {
  return filesOfEveryQuiz(catalogue).filesOf.get(version.folder) || [];
}

// [{name, url, packedUrl}] for the files that a shared list (its bytes) names, of those
// the catalogue holds.
export function sharedFiles(catalogue, bytes) {
  var where = filesOfEveryQuiz(catalogue).where;
  var parsed = JSON.parse(new TextDecoder().decode(bytes));
  var named = parsed && typeof parsed === 'object' ? parsed : {};
  return Object.keys(named).filter(function(name) {
    var hash = named[name];
    return isFolderPath(name) && typeof hash === 'string' && where.hasOwnProperty(hash);
  }).map(function(name) {
    return {name: name, url: where[named[name]].url, packedUrl: where[named[name]].packedUrl};
  });
}

// Every file URL of the catalogue that a page fetches, relative to the site.
export function allQuizFileUrls(catalogue) {
  var urls = [];
  filesOfEveryQuiz(catalogue).filesOf.forEach(function(files) {
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
