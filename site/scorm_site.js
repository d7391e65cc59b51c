// The page and the program of a SCORM package of one quiz, as tools/scorm_package.py
// takes them from a built site: the site's own files that its service worker lists
// (the bank's aside), fetched from this site and checked against that list, index.html
// opening straight into the quiz, all restamped as tools/web_site.py's stamp() does, so
// that outside a platform the package still plays as a site, service worker and all.

import {fetchOwnBytes} from './composed.js';
import {buildId, shortHash} from './hashes.js';

var PAGE = 'index.html';
var WORKER = 'service_worker.js';
var SITE_LINE = /^var SITE = (.*);$/m;

// The text of UTF-8 bytes.
function decode(bytes) {
  return new TextDecoder().decode(bytes);
}

// The UTF-8 bytes of text.
function encode(text) {
  return new TextEncoder().encode(text);
}

// html with the content of <meta name="NAME" content="..."> set to value, which holds
// no quote, "&" or "<".
function setMeta(html, name, value) {
  var pattern = new RegExp('(<meta name="' + name + '" content=")[^"]*(">)');
  if (!pattern.test(html)) {
    throw new Error(PAGE + ' has no <meta name="' + name + '">');
  }
  return html.replace(pattern, function(all, before, after) { return before + value + after; });
}

// A promise of the bytes of own file name (a Uint8Array), which must have hash.
function fetchChecked(name, hash) {
  return fetchOwnBytes(name).then(function(bytes) {
    return shortHash(bytes).then(function(got) {
      if (got !== hash) {
        throw new Error(name + ' is not the one of this build; reload the page');
      }
      return new Uint8Array(bytes);
    });
  });
}

// A promise of the build id of files {name: Uint8Array}, which it writes into
// index.html and, with every file's hash, into the worker's source, which then joins
// files as the worker.
function stamp(files, worker) {
  return buildId(files).then(function(build) {
    files[PAGE] = encode(setMeta(decode(files[PAGE]), 'molvane-build', build));
    var names = Object.keys(files).sort();
    return Promise.all(names.map(function(name) { return shortHash(files[name]); }))
        .then(function(hashes) {
          var site = {build: build, files: {}};
          names.forEach(function(name, index) { site.files[name] = hashes[index]; });
          var line = 'var SITE = ' + JSON.stringify(site) + ';';
          files[WORKER] = encode(worker.replace(SITE_LINE, function() { return line; }));
          return build;
        });
  });
}

// A promise of {build, files: {name: Uint8Array}}: the site's own files as a site
// that opens straight into quiz quizId, and its new build id.
export function siteOfOneQuiz(quizId) {
  return fetchOwnBytes(WORKER).then(function(bytes) {
    var worker = decode(bytes);
    var line = worker.match(SITE_LINE);
    if (line === null) {
      throw new Error(WORKER + ' has no line `var SITE = ...;`');
    }
    var listed = JSON.parse(line[1]).files;
    var names = Object.keys(listed).filter(function(name) { return name.indexOf('bank/') !== 0; });
    return Promise.all(names.map(function(name) {
      return fetchChecked(name, listed[name]);
    })).then(function(contents) {
      var files = {};
      names.forEach(function(name, index) { files[name] = contents[index]; });
      files[PAGE] = encode(setMeta(decode(files[PAGE]), 'molvane-start', quizId));
      return stamp(files, worker).then(function(build) {
        return {build: build, files: files};
      });
    });
  });
}
