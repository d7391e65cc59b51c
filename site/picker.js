// The list of quizzes: a naming-style choice, then one link per quiz of the catalogue,
// with its topic, its number of molecules and when the student finished it on this
// device: first the quizzes of no level (the mixed quiz, quizzes added to the site), then
// the lessons under their levels' headings, in catalogue order. A link plays the quiz in
// the chosen style where it has a version in it, else its only version. Built with DOM
// calls, so that no topic can ever become markup.

import {quizzesOf, stylesOf, levelsOf, quizStyles, quizVersion} from './catalogue.js';
import {rememberedStyle, rememberStyle} from './style_choice.js';
import {finishedOn, forgetFinished} from './finished.js';

// "1 molecule", "13 molecules", or "no molecules" for a count the program would not ask.
function moleculesText(count) {
  if (typeof count !== 'number' || !(count > 0)) {
    return 'no molecules';
  }
  return count === 1 ? '1 molecule' : count + ' molecules';
}

// The naming style quiz plays in when style is chosen: style where the quiz has a
// version in it, else null, its own version.
function playedStyle(quiz, style) {
  return quizStyles(quiz).indexOf(style) >= 0 ? style : null;
}

// The address that plays quiz in naming style `style` (null: its own version).
export function quizHref(quiz, style) {
  var played = playedStyle(quiz, style);
  return '?quiz=' + quiz.id + (played !== null ? '&style=' + played : '');
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

// One list item: a link to the quiz in naming style `style`, its topic and its count,
// and its finished mark.
function quizItem(catalogue, quiz, style) {
  var played = playedStyle(quiz, style);
  var version = quizVersion(catalogue, quiz, played);
  var item = document.createElement('li');
  var link = document.createElement('a');
  link.href = quizHref(quiz, style);
  var topic = document.createElement('span');
  topic.className = 'topic';
  topic.textContent = quizTopic(quiz);
  var count = document.createElement('span');
  count.className = 'count';
  count.textContent = moleculesText(version.molecules);
  link.append(topic, ' ', count);
  var day = finishedOn(quiz.id, played);
  if (day !== null) {
    link.append(' ', finishedMark(day));
  }
  item.append(link);
  return item;
}

// [{heading, quizzes}]: the quizzes of no known level (heading null), then those of each
// level with any, in the catalogue's order of levels.
function groups(catalogue) {
  var levels = levelsOf(catalogue);
  var found = [{heading: null, quizzes: []}].concat(levels.map(function(level) {
    return {heading: level.heading, quizzes: []};
  }));
  var ids = levels.map(function(level) { return level.id; });
  quizzesOf(catalogue).forEach(function(quiz) {
    found[ids.indexOf(quiz.level) + 1].quizzes.push(quiz);
  });
  return found.filter(function(group) { return group.quizzes.length > 0; });
}

// Fills the list with the catalogue's quizzes, linked in naming style `style`, and offers
// to forget the finished ones when there are any.
function fillList(catalogue, style) {
  var parts = [];
  groups(catalogue).forEach(function(group) {
    if (group.heading !== null) {
      var heading = document.createElement('h3');
      heading.textContent = group.heading;
      parts.push(heading);
    }
    var list = document.createElement('ul');
    list.className = 'quizzes';
    list.append.apply(list, group.quizzes.map(function(quiz) {
      return quizItem(catalogue, quiz, style);
    }));
    parts.push(list);
  });
  var box = document.getElementById('quizzes');
  box.replaceChildren.apply(box, parts);
  document.getElementById('forget').hidden = box.querySelector('.finished') === null;
}

// Sets up the choice of naming style, where some quiz has versions in several: its
// options and their descriptions, the remembered choice or the default. Returns the
// chosen style.
function setUpStyleChoice(catalogue, onChange) {
  var styles = stylesOf(catalogue);
  var select = document.getElementById('style');
  var ids = styles.map(function(style) { return style.id; });
  var offered = styles.length > 1 && quizzesOf(catalogue).some(function(quiz) {
    return quizStyles(quiz).length > 0;
  });
  document.getElementById('style-choice').hidden = !offered;
  if (!offered) {
    return ids[0] || null;
  }
  select.replaceChildren.apply(select, styles.map(function(style) {
    var option = document.createElement('option');
    option.value = style.id;
    option.textContent = style.description;
    return option;
  }));
  var remembered = rememberedStyle();
  select.value = ids.indexOf(remembered) >= 0 ? remembered : ids[0];
  select.addEventListener('change', function() {
    rememberStyle(select.value);
    onChange(select.value);
  });
  return select.value;
}

// Fills and shows the list of the catalogue's quizzes, with the way to forget the
// finished ones when there are any.
export function showPicker(catalogue) {
  var style = setUpStyleChoice(catalogue, function(chosen) { fillList(catalogue, chosen); });
  fillList(catalogue, style);
  var forget = document.getElementById('forget');
  forget.onclick = function() {
    forgetFinished();
    fillList(catalogue, document.getElementById('style').value || style);
  };
  document.getElementById('picker').hidden = false;
}
