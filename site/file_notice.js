// A classic script, as browsers load no module into a page opened from the disk: says
// there that Molvane must be served by a web server, since it could not fetch anything.

(function() {
  'use strict';

  if (location.protocol !== 'file:') {
    return;
  }
  window.molvane = {output: '', exitStatus: null, error: 'opened from a file'};
  document.getElementById('quiz').hidden = true;
  document.getElementById('notice-text').textContent =
      'Molvane cannot run from a file on the disk: it must be served by a web server.';
  document.getElementById('notice-list').hidden = true;
  document.getElementById('notice').hidden = false;
})();
