// The maker's link: what a quiz still lacks before it has one, the whole link (absolute,
// from composed_link.js's composedHref), its Copy button and its QR code.

import {MAX_MOLECULES, MAX_TITLE_LENGTH, composedHref, showable} from './composed_link.js';
import {drawQr} from './maker_qr.js';

// What stops ids and title from making a quiz, for the teacher to read; '' when nothing.
export function linkProblem(ids, title) {
  if (ids.length === 0) {
    return 'Pick at least one molecule.';
  }
  if (ids.length > MAX_MOLECULES) {
    return 'A quiz holds at most ' + MAX_MOLECULES + ' molecules: remove ' +
        (ids.length - MAX_MOLECULES) + '.';
  }
  if (title === '') {
    return 'Give the quiz a title.';
  }
  if (title.length > MAX_TITLE_LENGTH) {
    return 'The title is ' + title.length + ' characters long: at most ' + MAX_TITLE_LENGTH + '.';
  }
  if (!showable(title)) {
    return 'The title has a character the quiz cannot show: use Latin letters, digits and ' +
        'punctuation.';
  }
  return '';
}

// The whole link that plays ids in style with title, absolute, beside this page.
export function quizLink(ids, style, title) {
  return new URL('index.html' + composedHref(ids, style, title), location.href).href;
}

// Shows link (or, when it is '', problem instead) in the page's share section.
export function showLink(link, problem) {
  var anchor = document.getElementById('quiz-link');
  var qr = document.getElementById('quiz-qr');
  document.getElementById('link-problem').textContent = problem;
  document.getElementById('copied').textContent = '';
  anchor.hidden = link === '';
  document.getElementById('copy-link').hidden = link === '';
  qr.hidden = link === '';
  if (link === '') {
    anchor.removeAttribute('href');
    anchor.textContent = '';
    return;
  }
  anchor.href = link;
  anchor.textContent = link;
  qr.hidden = !drawQr(qr, link);
}

// Wires the Copy button: it copies the link shown and says whether that worked.
export function setUpCopy() {
  var said = document.getElementById('copied');
  document.getElementById('copy-link').addEventListener('click', function() {
    var link = document.getElementById('quiz-link').href;
    var copying = navigator.clipboard && navigator.clipboard.writeText ?
        navigator.clipboard.writeText(link) : Promise.reject(new Error('no clipboard'));
    copying.then(function() {
      said.textContent = 'Copied.';
    }, function() {
      said.textContent = 'This browser would not copy it: select the link and copy it.';
    });
  });
}
