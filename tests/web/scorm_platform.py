"""A learning platform's place for SCORM 1.2 packages in the browser tests.

A test page, served from 127.0.0.1 with the unpacked package below it, plays the
platform: scorm-again's Scorm12API (a run-time library that platforms embed, installed
by scripts/install-test-tools) is its window.API, every call to it is recorded, and the
package's page runs in a frame.
"""

import os
import shutil
import subprocess
import zipfile

from selenium.webdriver.common.by import By

import webharness

SCORM_AGAIN = os.path.join(webharness.repo_root(), "build-npm", "node_modules", "scorm-again",
                           "dist", "scorm12.min.js")
MISSING = "scorm-again is not installed at %s; scripts/install-test-tools installs it" % SCORM_AGAIN

# The platform: scorm-again's API, each call recorded as [method, args..., "->", answer].
# ?status=S starts the learner's record with lesson_status S; ?broken gives an API whose
# every call fails instead.
PLATFORM_PAGE = """<!doctype html>
<html><head><meta charset="utf-8"><title>Platform</title>
<script src="scorm12.min.js"></script>
<script>
var params = new URLSearchParams(location.search);
var calls = [];
var api;
if (params.has('broken')) {
  var lastError = '0';
  var down = function() { lastError = '101'; throw new Error('the platform is down'); };
  var refuse = function() { lastError = '101'; return 'false'; };
  api = {
    LMSInitialize: function() { lastError = '0'; return 'true'; },
    LMSGetValue: down, LMSSetValue: refuse, LMSCommit: refuse, LMSFinish: down,
    LMSGetLastError: function() { return lastError; },
    LMSGetErrorString: function(code) { return code === '101' ? 'General exception' : ''; }
  };
} else {
  api = new Scorm12API({logLevel: 5});
  if (params.has('status')) {
    api.cmi.core.lesson_status = params.get('status');
  }
}
['LMSInitialize', 'LMSGetValue', 'LMSSetValue', 'LMSCommit', 'LMSFinish'].forEach(function(name) {
  var method = api[name];
  api[name] = function() {
    var args = Array.prototype.slice.call(arguments);
    var entry = [name].concat(args.map(String));
    calls.push(entry);
    var answer = method.apply(api, args);
    entry.push('->', String(answer));
    return answer;
  };
});
window.API = api;
</script></head>
<body><iframe id="sco" src="package/index.html" width="820" height="640"></iframe></body></html>
"""

# What the platform has recorded, and the learner's record.
PLATFORM_STATE = """
return {calls: window.calls,
        status: window.API.cmi ? window.API.cmi.core.lesson_status : null};
"""


def package_quiz(web_dir, data, out, *title):
    """Makes the package of quiz folder data with scripts/web-scorm; returns its path."""
    subprocess.run([os.path.join(webharness.repo_root(), "scripts", "web-scorm"), "--site", web_dir,
                    data, out] + list(title), check=True, stdout=subprocess.DEVNULL)
    return out


class PlatformCase:
    """A mixin for webharness.WebCase: a package played in the platform's place."""

    def open_package(self, package, query=""):
        """Serves the package (a .zip) unpacked below the platform's page, opens that
        page with query and switches to the package's frame."""
        platform = os.path.join(self.tmp, "platform")
        with zipfile.ZipFile(package) as archive:
            archive.extractall(os.path.join(platform, "package"))
        shutil.copy(SCORM_AGAIN, os.path.join(platform, "scorm12.min.js"))
        with open(os.path.join(platform, "platform.html"), "w", encoding="utf-8") as page:
            page.write(PLATFORM_PAGE)
        self.server = webharness.Server(platform)
        self.servers.append(self.server)
        self.page = webharness.Page(self.driver, self.server.url + "platform.html" + query)
        self.addCleanup(self.driver.switch_to.default_content)
        self.frame = self.driver.find_element(By.ID, "sco")
        self.driver.switch_to.frame(self.frame)

    def platform(self):
        """What the platform recorded (PLATFORM_STATE), read from outside the frame."""
        self.driver.switch_to.default_content()
        try:
            return self.driver.execute_script(PLATFORM_STATE)
        finally:
            self.driver.switch_to.frame(self.frame)
