// The bank as a list, one section per lesson in the lessons' order: a heading, then one
// row per molecule, built once, with its thumbnail (fetched by the browser only when it
// comes into view), a checkbox and its name in the chosen style. Searching and
// filtering only toggle each row's `hidden`, against a lower-cased text of the
// molecule's names in every style, kept from the start, and hide the sections left
// empty. A section out of view is not styled or laid out until it comes near it (see
// maker.css), so that a key in the search field costs what the screen shows, not what
// the bank holds.

// The lower-cased names of molecule in every style, one per line.
function searchText(molecule) {
  var names = molecule.names || {};
  return Object.keys(names).map(function(style) {
    return String(names[style]).toLowerCase();
  }).join('\n');
}

// One row of the bank: {molecule, item, box, name, text}.
function makeRow(molecule) {
  var item = document.createElement('li');
  var label = document.createElement('label');
  var box = document.createElement('input');
  box.type = 'checkbox';
  box.setAttribute('data-molecule', String(molecule.id));
  var picture = document.createElement('img');
  picture.alt = '';
  picture.loading = 'lazy';
  picture.decoding = 'async';
  picture.width = 160;
  picture.height = 120;
  picture.src = molecule.picture;
  var name = document.createElement('span');
  name.className = 'name';
  label.append(picture, box, name);
  item.append(label);
  return {molecule: molecule, item: item, box: box, name: name, text: searchText(molecule)};
}

// One lesson's section: {lesson, level, element, rows}, its heading the lesson's topic.
function makeSection(lesson, rows) {
  var element = document.createElement('section');
  element.className = 'lesson';
  var heading = document.createElement('h3');
  heading.textContent = lesson.topic || lesson.id;
  var list = document.createElement('ul');
  list.className = 'bank';
  list.append.apply(list, rows.map(function(row) { return row.item; }));
  element.append(heading, list);
  return {lesson: lesson.id, level: lesson.level || '', element: element, rows: rows};
}

// The bank list in element `list`, for the molecules of bank; onToggle(id, checked) hears
// of each checkbox the user changes.
export function BankList(list, bank, onToggle) {
  var rowsOf = new Map();
  var lessons = (bank.lessons || []).slice();
  lessons.forEach(function(lesson) { rowsOf.set(lesson.id, []); });
  this.rows = bank.molecules.map(makeRow);
  this.rows.forEach(function(row) {
    var lesson = row.molecule.lesson || '';
    if (!rowsOf.has(lesson)) {
      rowsOf.set(lesson, []);
      lessons.push({id: lesson, topic: lesson || 'Other molecules'});
    }
    rowsOf.get(lesson).push(row);
  });
  this.sections = lessons.filter(function(lesson) { return rowsOf.get(lesson.id).length > 0; })
      .map(function(lesson) { return makeSection(lesson, rowsOf.get(lesson.id)); });
  this.byId = new Map(this.rows.map(function(row) { return [row.molecule.id, row]; }));
  list.replaceChildren.apply(list, this.sections.map(function(section) {
    return section.element;
  }));
  list.addEventListener('change', function(event) {
    var id = Number(event.target.getAttribute('data-molecule'));
    if (id) {
      onToggle(id, event.target.checked);
    }
  });
}

// Shows each molecule's name in style.
BankList.prototype.setStyle = function(style) {
  this.rows.forEach(function(row) { row.name.textContent = row.molecule.names[style]; });
};

// Sets element's hidden to hide unless it is so already.
function setHidden(element, hide) {
  if (element.hidden !== hide) {
    element.hidden = hide;
  }
}

// Shows only the molecules whose names hold query (case ignored) and which are in level
// and lesson ('' for any); returns how many are shown.
BankList.prototype.filter = function(query, level, lesson) {
  var wanted = query.trim().toLowerCase();
  var shown = 0;
  this.sections.forEach(function(section) {
    var inSection = 0;
    if ((level === '' || section.level === level) && (lesson === '' || section.lesson === lesson)) {
      section.rows.forEach(function(row) {
        var show = wanted === '' || row.text.indexOf(wanted) >= 0;
        setHidden(row.item, !show);
        inSection += show ? 1 : 0;
      });
    } else {
      section.rows.forEach(function(row) { setHidden(row.item, true); });
    }
    setHidden(section.element, inSection === 0);
    shown += inSection;
  });
  return shown;
};

// Ticks the checkbox of molecule id when picked, clears it otherwise.
BankList.prototype.showPicked = function(id, picked) {
  var row = this.byId.get(id);
  if (row) {
    row.box.checked = picked;
  }
};

// The IDs of the molecules of lesson, in bank order.
BankList.prototype.lessonIds = function(lesson) {
  return this.rows.filter(function(row) { return row.molecule.lesson === lesson; })
      .map(function(row) { return row.molecule.id; });
};
