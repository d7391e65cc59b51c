// The quizzes finished on this device: for each quiz and naming style, the day it was
// last finished. Kept in this browser's own storage and never sent anywhere; a browser
// that keeps nothing shows no marks.

var KEY = 'molvane-finished';
var DAY = /^\d{4}-\d\d-\d\d$/;

// The stored record, {"ID": day, "ID STYLE": day} with days as YYYY-MM-DD, or {} when
// there is none to read.
function stored() {
  try {
    var record = JSON.parse(localStorage.getItem(KEY));
    return record && typeof record === 'object' && !Array.isArray(record) ? record : {};
  } catch (e) {
    return {};
  }
}

// The record's key of quiz id in naming style `style` (null: the quiz's own version).
function keyOf(id, style) {
  return style === null ? id : id + ' ' + style;
}

// Today on this device's calendar, as YYYY-MM-DD.
export function today() {
  var now = new Date();
  var two = function(n) { return (n < 10 ? '0' : '') + n; };
  return now.getFullYear() + '-' + two(now.getMonth() + 1) + '-' + two(now.getDate());
}

// The day quiz id was last finished in naming style `style` (null: its own version), as
// YYYY-MM-DD, or null.
export function finishedOn(id, style) {
  var day = stored()[keyOf(id, style)];
  return typeof day === 'string' && DAY.test(day) ? day : null;
}

// Remembers that quiz id was finished in naming style `style` (null: its own version)
// today.
export function rememberFinished(id, style) {
  var record = stored();
  record[keyOf(id, style)] = today();
  try {
    localStorage.setItem(KEY, JSON.stringify(record));
  } catch (e) {
    console.warn('Finished quizzes cannot be remembered here: ' + e);
  }
}

// Forgets every finished quiz.
export function forgetFinished() {
  try {
    localStorage.removeItem(KEY);
  } catch (e) {
    console.warn('Finished quizzes cannot be forgotten here: ' + e);
  }
}
