// The picked molecules: a set of bank IDs, shown as a list in ID order (the order the
// quiz asks them in) with a button to remove each. Built with DOM calls only.

// The picked list in element `list`; onRemove(id) hears of each Remove button pressed.
export function PickedList(list, onRemove) {
  this.list = list;
  this.ids = new Set();
  list.addEventListener('click', function(event) {
    var id = Number(event.target.getAttribute('data-remove'));
    if (id) {
      onRemove(id);
    }
  });
}

// The picked IDs, ascending.
PickedList.prototype.sorted = function() {
  return Array.from(this.ids).sort(function(a, b) { return a - b; });
};

// Redraws the list with each molecule's name in style, from nameOf(id, style).
PickedList.prototype.render = function(nameOf, style) {
  this.list.replaceChildren.apply(this.list, this.sorted().map(function(id) {
    var item = document.createElement('li');
    var remove = document.createElement('button');
    remove.type = 'button';
    remove.setAttribute('data-remove', String(id));
    remove.textContent = 'Remove';
    var name = nameOf(id, style);
    remove.setAttribute('aria-label', 'Remove ' + name);
    item.append(name, remove);
    return item;
  }));
};

// "no molecules", "1 molecule" or "N molecules".
export function countText(count) {
  return count === 0 ? 'no molecules' : count === 1 ? '1 molecule' : count + ' molecules';
}
