// The list of quizzes: one link per quiz of the catalogue, in catalogue order, with its
// topic and its number of molecules. Built with DOM calls, so that no topic can ever
// become markup.

import {quizzesOf} from './catalogue.js';

// "1 molecule", "13 molecules", or "no molecules" for a count the program would not ask.
function moleculesText(count) {
  if (typeof count !== 'number' || !(count > 0)) {
    return 'no molecules';
  }
  return count === 1 ? '1 molecule' : count + ' molecules';
}

// One list item: a link to the quiz, its topic and its count.
function quizItem(quiz) {
  var item = document.createElement('li');
  var link = document.createElement('a');
  link.href = '?quiz=' + quiz.id;
  var topic = document.createElement('span');
  topic.className = 'topic';
  topic.textContent = typeof quiz.topic === 'string' && quiz.topic !== '' ? quiz.topic : quiz.id;
  var count = document.createElement('span');
  count.className = 'count';
  count.textContent = moleculesText(quiz.molecules);
  link.append(topic, ' ', count);
  item.append(link);
  return item;
}

// Fills and shows the list of the catalogue's quizzes.
export function showPicker(catalogue) {
  var list = document.getElementById('quizzes');
  list.replaceChildren.apply(list, quizzesOf(catalogue).map(quizItem));
  document.getElementById('picker').hidden = false;
}
