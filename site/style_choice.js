// The naming style chosen on the list of quizzes, remembered on this device (in
// localStorage, per site); a browser that refuses storage forgets it, and the list
// then offers the default style on every visit.

var KEY = 'molvane-style ' + new URL('./', location.href).href;

// The style last chosen, or null.
export function rememberedStyle() {
  try {
    return localStorage.getItem(KEY);
  } catch (e) {
    return null;
  }
}

// Remembers style as the one chosen, where the browser lets the page store it.
export function rememberStyle(style) {
  try {
    localStorage.setItem(KEY, style);
  } catch (e) {
    // Storage is off or full: the choice holds for this visit only.
  }
}
