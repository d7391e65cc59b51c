// Fetches the files of a quiz folder that the program may open, all at once, so that
// the module's data_folder.js can put them into ./data/, each from its gzip copy where
// there is one. A file that cannot be fetched is absent, as a missing file is on the
// desktop.

import {quizFiles, sharedFiles} from './catalogue.js';

// A promise of the bytes at url (an ArrayBuffer); rejects when there are none.
function fetchBytes(url) {
  return fetch(url).then(function(response) {
    if (!response.ok) {
      throw new Error(url + ': ' + response.status);
    }
    return response.arrayBuffer();
  });
}

// A promise of the bytes of a gzip file unpacked; of the bytes as they are where they
// are no gzip file, because the host has unpacked them already (some send .gz files
// with Content-Encoding: gzip) or the page kept them unpacked for offline visits
// (offline.js).
export function unpack(bytes) {
  var head = new Uint8Array(bytes, 0, Math.min(bytes.byteLength, 2));
  if (head[0] !== 0x1f || head[1] !== 0x8b) {
    return Promise.resolve(bytes);
  }
  // Written in whole: a Blob's stream would take several times as long.
  var unpacker = new DecompressionStream('gzip');
  var writer = unpacker.writable.getWriter();
  writer.write(new Uint8Array(bytes)).catch(function() {});
  writer.close().catch(function() {});
  return new Response(unpacker.readable).arrayBuffer();
}

// A promise of {url, bytes}: the file's gzip copy unpacked, or the file itself where
// that fails; bytes null when neither can be fetched.
function fetchFile(file) {
  var packed = file.packedUrl === null ? Promise.reject(new Error('no gzip copy')) :
      fetchBytes(file.packedUrl).then(unpack);
  return packed.then(function(bytes) {
    return {url: file.packedUrl, bytes: bytes};
  }).catch(function() {
    return fetchBytes(file.url).then(function(bytes) {
      return {url: file.url, bytes: bytes};
    });
  }).catch(function() {
    return {url: file.url, bytes: null};
  });
}

// A promise of [{name, url, bytes}] for files [{name, url, packedUrl}] (see
// catalogue.js), url the one fetched, bytes an ArrayBuffer or null.
export function fetchQuizFolder(files) {
  return Promise.all(files.map(function(file) {
    return fetchFile(file).then(function(got) {
      return {name: file.name, url: got.url, bytes: got.bytes};
    });
  }));
}

// A promise of [{name, url, bytes}] for the files of a quiz version of the catalogue
// (see fetchQuizFolder): those the catalogue lists and, fetched as soon as its shared
// list is there, those the list names. The shared list itself comes last, with name
// null: it is for keeping, not for the program.
export function fetchVersionFolder(catalogue, version) {
  var files = quizFiles(catalogue, version);
  var listed = fetchQuizFolder(files.filter(function(file) { return !file.shared; }));
  var sharedList = files.filter(function(file) { return file.shared; })[0];
  if (!sharedList) {
    return listed;
  }
  var shared = fetchFile(sharedList).then(function(got) {
    var named = [];
    try {
      named = got.bytes === null ? [] : sharedFiles(catalogue, got.bytes);
    } catch (e) {
      console.warn(sharedList.url + ': ' + e);
    }
    return fetchQuizFolder(named).then(function(fetched) {
      return fetched.concat([{name: null, url: got.url, bytes: got.bytes}]);
    });
  });
  return Promise.all([listed, shared]).then(function(parts) {
    return parts[0].concat(parts[1]);
  });
}
