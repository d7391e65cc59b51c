// The bank as a list: one row per molecule, built once, with its thumbnail (fetched by
// the browser only when it comes into view), a checkbox and its name in the chosen
// style. Searching and filtering only toggle each row's `hidden`, against a lower-cased
// text of the molecule's names in every style, kept from the start.

// The lower-cased names of molecule in every style, one per line.
function searchText(molecule) {
  var names = molecule.names || {};
  return Object.keys(names).map(function(style) {
    return String(names[style]).toLowerCase();
  }).join('\n');
}

// One row of the bank: {molecule, item, box, name, text, level}.
function makeRow(molecule, levelOf) {
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
  return {molecule: molecule, item: item, box: box, name: name, text: searchText(molecule),
          level: levelOf[molecule.lesson] || ''};
}

// The bank list in element `list`, for the molecules of bank; onToggle(id, checked) hears
// of each checkbox the user changes.
export function BankList(list, bank, onToggle) {
  var levelOf = {};
  (bank.lessons || []).forEach(function(lesson) { levelOf[lesson.id] = lesson.level; });
  this.rows = bank.molecules.map(function(molecule) { return makeRow(molecule, levelOf); });
  this.byId = new Map(this.rows.map(function(row) { return [row.molecule.id, row]; }));
  list.replaceChildren.apply(list, this.rows.map(function(row) { return row.item; }));
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

// Shows only the molecules whose names hold query (case ignored) and which are in level
// and lesson ('' for any); returns how many are shown.
BankList.prototype.filter = function(query, level, lesson) {
  var wanted = query.trim().toLowerCase();
  var shown = 0;
  this.rows.forEach(function(row) {
    var show = (wanted === '' || row.text.indexOf(wanted) >= 0) &&
        (level === '' || row.level === level) && (lesson === '' || row.molecule.lesson === lesson);
    if (row.item.hidden === show) {
      row.item.hidden = !show;
    }
    shown += show ? 1 : 0;
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
