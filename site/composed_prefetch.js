// For a composed link (composed_link.js), starts the downloads of the bank and of the
// quiz folder it makes as soon as the page's first module runs (prefetch.js imports
// this module; the program and the catalogue are asked for there). The modules that do
// it are imported only for a composed link, so that they never hold up a lesson's
// downloads.

import {fromFile} from './address.js';

var params = new URLSearchParams(location.search);

// promise, its rejection left to whoever uses it (none goes unhandled meanwhile).
function quietly(promise) {
  promise.catch(function() {});
  return promise;
}

// {bank, quiz}: promises of the parsed bank and of the link's quiz folder (see
// composedFolder), or of null for a link that makes no quiz of the bank.
function startDownloads() {
  var modules = Promise.all([import('./composed.js'), import('./composed_link.js')]);
  var bank = quietly(modules.then(function(got) { return got[0].fetchBank(); }));
  var quiz = Promise.all([modules, bank]).then(function(got) {
    var link = got[0][1].readComposed(params, got[1]);
    return link.error ? null : got[0][0].composedFolder(got[1], link.ids, link.style, link.title);
  });
  return {bank: bank, quiz: quietly(quiz)};
}

var downloads = !fromFile && params.has('m') && !params.has('quiz') ? startDownloads() : null;

// Whether the address is a composed link.
export var composing = downloads !== null;

// A promise of the parsed bank; null unless the address is a composed link.
export var composedBank = downloads && downloads.bank;

// A promise of the link's quiz folder, or of null for a link that makes no quiz; null
// unless the address is a composed link.
export var composedQuiz = downloads && downloads.quiz;
