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

// The naming style the address asks the quiz in (maybe no style at all), or null for
// the quiz's own: a link without a style plays in the default style.
export var wantedStyle = params.has('style') ? params.get('style') : null;

// Whether the page was opened from the disk, where it may not fetch anything.
export var fromFile = location.protocol === 'file:';
