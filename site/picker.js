// The list of quizzes: one link per quiz of the catalogue, in catalogue order, with its
// topic, its number of molecules, and when the student finished it on this device.
// Built with DOM calls, so that no topic can ever become markup.

import {quizzesOf} from './catalogue.js';
import {finishedOn, forgetFinished} from './finished.js';

// The naming style of the list's links.
var style = 'uk';

// "1 molecule", "13 molecules", or "no molecules" for a count the program would not ask.
function moleculesText(count) {
  if (typeof count !== 'number' || !(count > 0)) {
    return 'no molecules';
  }
  return count === 1 ? '1 molecule' : count + ' molecules';
}

// The address that plays quiz.
export function quizHref(quiz) {
  return '?quiz=' + quiz.id;
}

// What the list calls quiz.
export function quizTopic(quiz) {
  return typeof quiz.topic === 'string' && quiz.topic !== '' ? quiz.topic : quiz.id;
}

// The mark of a quiz finished on day (YYYY-MM-DD): a tick, and the same in words.
function finishedMark(day) {
  var mark = document.createElement('span');
  mark.className = 'finished';
  var tick = document.createElement('span');
  tick.setAttribute('aria-hidden', 'true');
  tick.textContent = '\u2713 ';
  var when = document.createElement('time');
  when.dateTime = day;
  when.textContent = day;
  mark.append(tick, 'finished ', when);
  return mark;
}

// One list item: a link to the quiz, its topic and its count, and its finished mark.
function quizItem(quiz) {
  var item = document.createElement('li');
  var link = document.createElement('a');
  link.href = quizHref(quiz);
  var topic = document.createElement('span');
  topic.className = 'topic';
  topic.textContent = quizTopic(quiz);
  var count = document.createElement('span');
  count.className = 'count';
  count.textContent = moleculesText(quiz.molecules);
  link.append(topic, ' ', count);
  var day = finishedOn(quiz.id, style);
  if (day !== null) {
    link.append(' ', finishedMark(day));
  }
  item.append(link);
  return item;
}

// Fills and shows the list of the catalogue's quizzes, with the way to forget the
// finished ones when there are any.
export function showPicker(catalogue) {
  var list = document.getElementById('quizzes');
  list.replaceChildren.apply(list, quizzesOf(catalogue).map(quizItem));
  var forget = document.getElementById('forget');
  forget.hidden = list.querySelector('.finished') === null;
  forget.onclick = function() {
    forgetFinished();
    showPicker(catalogue);
  };
  document.getElementById('picker').hidden = false;
}
