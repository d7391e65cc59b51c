// For a composed link (composed_link.js), starts the downloads of the bank and of the
// quiz folder it makes as soon as the page's first module runs (prefetch.js imports
// this module; the program and the catalogue are asked for there).

import {fromFile} from './address.js';
import {readComposed} from './composed_link.js';
import {fetchBank, composedFolder} from './composed.js';

var params = new URLSearchParams(location.search);

// promise, its rejection left to whoever uses it (none goes unhandled meanwhile).
function quietly(promise) {
  promise.catch(function() {});
  return promise;
}

// The composed link's quiz folder (see composedFolder), or null for a link that makes
// no quiz of the bank.
function fetchComposedFolder(bank) {
  var link = readComposed(params, bank);
  return link.error ? null : composedFolder(bank, link.ids, link.style, link.title);
}

// {bank, quiz}: promises of the parsed bank and of the link's quiz folder (or null).
function startDownloads() {
  var bank = quietly(fetchBank());
  return {bank: bank, quiz: quietly(bank.then(fetchComposedFolder))};
}

var downloads = !fromFile && params.has('m') && !params.has('quiz') ? startDownloads() : null;

// Whether the address is a composed link.
export var composing = downloads !== null;

// A promise of the parsed bank; null unless the address is a composed link.
export var composedBank = downloads && downloads.bank;

// A promise of the link's quiz folder, or of null for a link that makes no quiz; null
// unless the address is a composed link.
export var composedQuiz = downloads && downloads.quiz;
