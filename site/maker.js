// The quiz maker page (maker.html): loads the bank (bank/index.json), lets the teacher
// search it, pick molecules and choose a style and a title, and shows the link that
// carries the quiz, its QR code, and the quiz to download as a folder or as a package
// for a learning platform (SCORM; its code is fetched only when asked for).

import {BankList} from './maker_list.js';
import {PickedList, countText} from './maker_picked.js';
import {linkProblem, quizLink, setUpCopy, showLink} from './maker_link.js';
import {downloadFolder} from './maker_download.js';
import {fetchBank} from './composed.js';
import {STYLES} from './composed_link.js';
import {rememberedStyle, rememberStyle} from './style_choice.js';

// An <option> of value showing text.
function option(value, text) {
  var element = document.createElement('option');
  element.value = value;
  element.textContent = text;
  return element;
}

// Fills the style, level and lesson choices from bank; lessons grouped by level.
function fillChoices(form, bank) {
  form.style.replaceChildren.apply(form.style, STYLES.map(function(style) {
    return option(style, style);
  }));
  (bank.levels || []).forEach(function(level) {
    form.level.append(option(level.id, level.heading));
    var group = document.createElement('optgroup');
    group.label = level.heading;
    (bank.lessons || []).filter(function(lesson) { return lesson.level === level.id; })
        .forEach(function(lesson) { group.append(option(lesson.id, lesson.topic)); });
    form.lesson.append(group);
  });
}

// The page's controls by name.
function controls() {
  var main = document.getElementById('maker');
  return {style: main.querySelector('select[name=style]'),
          title: main.querySelector('input[name=title]'),
          search: main.querySelector('input[type=search]'),
          level: main.querySelector('select[name=level]'),
          lesson: main.querySelector('select[name=lesson]'),
          pickLesson: document.getElementById('pick-lesson'),
          download: main.querySelector('[data-download=folder]'),
          scorm: main.querySelector('[data-download=scorm]')};
}

// Sets up the page for bank.
function start(bank) {
  var form = controls();
  fillChoices(form, bank);
  var nameById = new Map(bank.molecules.map(function(molecule) {
    return [molecule.id, molecule.names];
  }));
  var picked;
  var list = new BankList(document.getElementById('bank'), bank, function(id, checked) {
    if (checked) {
      picked.ids.add(id);
    } else {
      picked.ids.delete(id);
    }
    refresh();
  });
  picked = new PickedList(document.getElementById('picked'), function(id) {
    picked.ids.delete(id);
    list.showPicked(id, false);
    refresh();
  });

  // Redraws the picked list and the link after any change of picks, style or title.
  function refresh() {
    var style = form.style.value;
    var ids = picked.sorted();
    picked.render(function(id) { return nameById.get(id)[style]; }, style);
    document.getElementById('picked-count').textContent = countText(ids.length);
    var problem = linkProblem(ids, form.title.value);
    showLink(problem === '' ? quizLink(ids, style, form.title.value) : '', problem);
    form.download.disabled = problem !== '';
    form.scorm.disabled = problem !== '';
  }

  // Shows the molecules that match the search and the filters.
  function filter() {
    var shown = list.filter(form.search.value, form.level.value, form.lesson.value);
    document.getElementById('shown-count').textContent =
        'Showing ' + countText(shown) + ' of ' + bank.molecules.length + '.';
    form.pickLesson.disabled = form.lesson.value === '';
  }

  form.style.addEventListener('change', function() {
    rememberStyle(form.style.value);
    list.setStyle(form.style.value);
    document.getElementById('style-description').textContent =
        (bank.styles || {})[form.style.value] || '';
    refresh();
  });
  form.title.addEventListener('input', refresh);
  form.search.addEventListener('input', filter);
  form.level.addEventListener('change', filter);
  form.lesson.addEventListener('change', filter);
  form.pickLesson.addEventListener('click', function() {
    list.lessonIds(form.lesson.value).forEach(function(id) {
      picked.ids.add(id);
      list.showPicked(id, true);
    });
    refresh();
  });
  form.download.addEventListener('click', function() {
    downloadFolder(bank, picked.sorted(), form.style.value, form.title.value,
                   document.getElementById('download-status'));
  });
  form.scorm.addEventListener('click', function() {
    var status = document.getElementById('download-status');
    var args = [bank, picked.sorted(), form.style.value, form.title.value, status];
    import('./maker_scorm.js').then(function(module) {
      return module.downloadScorm.apply(null, args);
    }, function(error) {
      status.textContent = 'The package could not be made: ' + error.message;
    });
  });
  setUpCopy();

  // The style chosen last on this device, here or on the list.
  var remembered = rememberedStyle();
  form.style.value = STYLES.indexOf(remembered) >= 0 ? remembered : STYLES[0];
  form.style.dispatchEvent(new Event('change'));
  filter();
  form.search.disabled = false;
  document.getElementById('maker-status').textContent =
      'The bank holds ' + countText(bank.molecules.length) + '.';
  performance.mark('molvane-maker-ready');
}

controls().search.disabled = true;
fetchBank().then(start, function(error) {
  document.getElementById('maker-status').textContent =
      'The bank could not be loaded (' + error.message + '). Reload the page to try again.';
});
