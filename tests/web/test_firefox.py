"""The browser build in Debian's firefox-esr: one quiz played to its end by keyboard,
a lesson chosen in the us naming style on the list, and a quiz made in the maker, from
its search to its link's home screen."""

import os
import sys
import time

import firefox
import webharness
from webharness import datagen

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)

PIXEL = ("Array.from(document.getElementById('canvas').getContext('2d')"
         ".getImageData(%d, %d, 1, 1).data.slice(0, 3))")
# Whether the home screen's topic line (rows 150 to 186) holds amber text.
AMBER_TITLE = ("Array.from(document.getElementById('canvas').getContext('2d')"
               ".getImageData(0, 150, 800, 37).data).some(function(v, i, d) {"
               " return i % 4 === 0 && v > 200 && d[i + 1] > 140 && d[i + 1] < 200 && d[i + 2] < 100; })")
MAKER_READY = "performance.getEntriesByName('molvane-maker-ready').length > 0"
# Whether the maker shows molecule %d.
SHOWN = ("(function(box) { return box !== null && !box.closest('li').hidden; })"
         "(document.querySelector('input[data-molecule=\"%d\"]'))")
LINK = "document.getElementById('quiz-link').href"
CONTRACT = "window.molvane && {output: molvane.output, exitStatus: molvane.exitStatus}"
LINKS = ("Array.from(document.querySelectorAll('#quizzes a'),"
         " function(a) { return a.getAttribute('href'); })")
# The quiz files the page fetched.
FETCHED = ("performance.getEntriesByType('resource').map(function(entry) { return entry.name; })"
           ".filter(function(url) { return url.indexOf('/quizzes/') > 0; })")


class FirefoxQuizTest(webharness.WebCase):

    @classmethod
    def setUpClass(cls):
        cls.browser = firefox.Firefox()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def wait_for(self, condition, what, timeout=15.0):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                self.fail("timed out waiting for %s; page: %r"
                          % (what, self.browser.evaluate(CONTRACT)))
            time.sleep(0.02)

    def wait_for_pixel(self, colour, what, x=5, y=5):
        self.wait_for(lambda: self.browser.evaluate(PIXEL % (x, y)) == list(colour), what)

    def test_quiz_with_a_wrong_answer(self):
        colours = self.serve_quiz(["Ethanol"])
        browser = self.browser
        self.wait_for_pixel(datagen.HOME, "the home screen")
        browser.press("space")
        self.wait_for_pixel(colours["Ethanol"], "the question", 400, 100)
        browser.press("e", "t", "BackSpace", "Return")
        self.wait_for_pixel(datagen.INCORRECT, "the wrong-answer screen")
        browser.press("1")
        self.wait_for_pixel(colours["Ethanol"], "the question again", 400, 100)
        browser.press(*"Ethanol", "Return")
        self.wait_for_pixel(datagen.LAST, "the closing screen")
        browser.press("x")
        self.wait_for(lambda: (browser.evaluate(CONTRACT) or {}).get("exitStatus") is not None,
                      "the end of the run")
        contract = browser.evaluate(CONTRACT)
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)

    def test_a_lesson_chosen_in_us(self):
        _, server = self.serve_copy()
        browser = self.browser
        browser.navigate(server.url + "index.html")
        self.wait_for(lambda: "?quiz=dienes" in (browser.evaluate(LINKS) or []), "the list")
        browser.evaluate("document.querySelector('select[name=\"style\"]').focus()")
        browser.press("Down", "Down")
        link = "?quiz=dienes&style=us"
        self.wait_for(lambda: link in browser.evaluate(LINKS), "the links in us")
        browser.navigate(server.url + "index.html")
        self.wait_for(lambda: link in (browser.evaluate(LINKS) or []), "the us links again")
        browser.evaluate("document.querySelector('a[href=\"%s\"]').click()" % link)
        self.wait_for(lambda: (browser.evaluate(CONTRACT) or {}).get("output") == harness.STARTUP,
                      "the home screen")
        self.assertTrue([url for url in browser.evaluate(FETCHED)
                         if "/quizzes/dienes.us/Molecule%20List.txt" in url])
        browser.press("Escape")
        self.wait_for(lambda: (browser.evaluate(CONTRACT) or {}).get("exitStatus") is not None,
                      "the end of the run")
        self.assertEqual(browser.evaluate(CONTRACT)["output"], harness.expected_output())

    def test_a_quiz_made_in_the_maker_reaches_its_home_screen(self):
        _, server = self.serve_copy()
        browser = self.browser
        browser.navigate(server.url + "maker.html")
        self.wait_for(lambda: browser.evaluate(MAKER_READY), "the maker")
        browser.evaluate("document.querySelector('select[name=style]').focus()")
        browser.press("Down", "Down")
        # Molecules 1 and 27 (butane, 1-butene), each found by a search.
        for typed, molecule in (("butane", 1), ("1-butene", 27)):
            browser.evaluate("document.querySelector('input[type=search]').select()")
            browser.press(*typed)
            self.wait_for(lambda: browser.evaluate(SHOWN % molecule), "molecule %d" % molecule)
            browser.evaluate("document.querySelector('input[data-molecule=\"%d\"]').click()"
                             % molecule)
        browser.evaluate("document.querySelector('input[name=title]').focus()")
        browser.press(*"Week 3")
        link = "index.html?m=ARo&style=us&title=Week+3"
        self.wait_for(lambda: browser.evaluate(LINK) == server.url + link, "the link")
        self.browser.navigate(server.url + link)
        self.wait_for(lambda: (self.browser.evaluate(CONTRACT) or {}).get("output")
                      == harness.STARTUP, "the program's start")
        self.wait_for_pixel((27, 38, 64), "the home screen")
        self.wait_for(lambda: self.browser.evaluate(AMBER_TITLE), "the title on the home screen")

    def serve_quiz(self, names):
        data = os.path.join(self.tmp, "data")
        colours = datagen.make_data(data, names)
        site = os.path.join(self.tmp, "site")
        webharness.make_site(self.web_dir, data, site)
        server = webharness.Server(site)
        self.servers.append(server)
        self.browser.navigate(server.url + "index.html")
        return colours


if __name__ == "__main__":
    webharness.main()
