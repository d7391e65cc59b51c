// What the page's address asks for: a quiz to play, or the list of quizzes; and where
// the list is, for the links back to it.

var params = new URLSearchParams(location.search);
var startMeta = document.querySelector('meta[name="molvane-start"]');

// The quiz a site built for one quiz opens straight into, or ''; its list is then ?list.
export var startQuiz = startMeta ? startMeta.content : '';

// The address of the list of quizzes, or null where the page offers none.
export var listHref = startQuiz ? '?list' : 'index.html';

// Offers no list of quizzes from now on: the site's one quiz is all there is.
export function dropList() {
  listHref = null;
}

// The ID of the quiz to play as the address gives it (maybe no ID at all), or null for
// the list.
export var wantedQuiz = params.has('quiz') ? params.get('quiz') :
    startQuiz && !params.has('list') ? startQuiz : null;

// The naming style the address asks for; uk when it names none.
export var wantedStyle = params.get('style') || 'uk';

// Whether the page was opened from the disk, where it may not fetch anything.
export var fromFile = location.protocol === 'file:';
