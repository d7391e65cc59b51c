"""The quiz maker (maker.html) end to end: a quiz made from the bank by search and
picks, its link played to the end, its folder downloaded as a .zip that molvane-check
accepts, and its SCORM package played in a learning platform's place.

Each test serves its own copy of the site that scripts/web built. The folder test
needs the path of molvane-check in MOLVANE_CHECK (CMake gives it) and skips without;
the SCORM test needs scorm-again (scorm_platform.py) and skips without.
"""

import json
import os
import subprocess
import sys
import urllib.parse
import zipfile

from PIL import Image, ImageChops

import scorm_platform
import webharness

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(webharness.HERE, "..", "tools"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)
from scorm_manifest_check import check_manifest  # noqa: E402

ROWS = "return document.querySelectorAll('input[type=checkbox][data-molecule]').length;"
SHOWN = """
return Array.from(document.querySelectorAll('input[data-molecule]'), function(box) {
  return box.closest('li').hidden ? null : Number(box.getAttribute('data-molecule'));
}).filter(function(id) { return id !== null; });
"""
PICKED = """
return Array.from(document.querySelectorAll('#picked [data-remove]'), function(button) {
  return Number(button.getAttribute('data-remove'));
});
"""
CHECKED = """
return Array.from(document.querySelectorAll('input[data-molecule]:checked'), function(box) {
  return Number(box.getAttribute('data-molecule'));
});
"""
# Sets a <select> of the maker to value as a person would, with its change event.
CHOOSE = """
var select = document.querySelector('select[name=' + arguments[0] + ']');
select.value = arguments[1];
select.dispatchEvent(new Event('change', {bubbles: true}));
"""
CLICK = "document.querySelector(arguments[0]).click();"
FOCUS = "document.querySelector(arguments[0]).focus();"

# A one-molecule-per-style pair, each searched by a name of another style than the one
# the quiz asks in: ID, what the search types, its uk name, its us name.
BUTENE = (27, "but-1", "but-1-ene", "1-butene")
ETHYNE = (38, "acetyl", "ethyne", "acetylene")
LESSON = "anhydrides"


class MakerTest(scorm_platform.PlatformCase, webharness.WebCase):

    def open_maker(self):
        self.site, self.server = self.serve_copy()
        with open(os.path.join(self.site, "bank", "index.json"), encoding="utf-8") as source:
            self.bank = json.load(source)
        self.page = webharness.Page(self.driver, self.server.url + "maker.html")
        self.page.wait_for(lambda: self.js(ROWS) == len(self.bank["molecules"]),
                           "every bank molecule listed")

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def accessible_name(self, selector):
        """The accessible name Chromium gives the element at selector."""
        root = self.page.cdp("DOM.getDocument")["root"]["nodeId"]
        node = self.page.cdp("DOM.querySelector", nodeId=root, selector=selector)["nodeId"]
        tree = self.page.cdp("Accessibility.getPartialAXTree", nodeId=node, fetchRelatives=False)
        return tree["nodes"][0]["name"]["value"]

    def search(self, text):
        """Clears the search field and types text into it, key by key."""
        self.js(FOCUS, "input[type=search]")
        self.js("document.querySelector('input[type=search]').select();")
        self.page.press("BackSpace")
        self.page.type_text(text)

    def pick_by_search(self, molecule):
        molecule_id, typed = molecule[0], molecule[1]
        self.search(typed)
        shown = self.js(SHOWN)
        self.assertIn(molecule_id, shown)
        self.assertLess(len(shown), 20, "the search narrows the list")
        self.js(CLICK, 'input[data-molecule="%d"]' % molecule_id)

    def lesson_ids(self, lesson):
        return sorted(m["id"] for m in self.bank["molecules"] if m["lesson"] == lesson)

    def make_quiz(self, style, title):
        """Picks the two molecules and a whole lesson, removes the lesson again, and
        chooses style and title; returns the link the maker shows."""
        page = self.page
        self.assertEqual(self.js("return document.querySelectorAll('input[type=search]').length;"), 1)
        self.pick_by_search(BUTENE)
        lesson = self.lesson_ids(LESSON)
        self.js(CHOOSE, "lesson", LESSON)
        self.js(CLICK, "#pick-lesson")
        self.assertEqual(self.js(PICKED), sorted([BUTENE[0]] + lesson))
        self.assertEqual(sorted(self.js(CHECKED)), sorted([BUTENE[0]] + lesson))
        for molecule_id in lesson:
            self.js(CLICK, '#picked [data-remove="%d"]' % molecule_id)
        self.assertEqual(self.js(PICKED), [BUTENE[0]])
        self.assertEqual(self.js(CHECKED), [BUTENE[0]])
        self.js(CHOOSE, "lesson", "")
        self.pick_by_search(ETHYNE)
        self.assertEqual(self.js(PICKED), [BUTENE[0], ETHYNE[0]])

        selector = 'input[data-molecule="%d"]' % ETHYNE[0]
        self.assertEqual(self.accessible_name(selector), ETHYNE[2])
        self.js(CHOOSE, "style", style)
        self.assertEqual(self.accessible_name(selector), ETHYNE[3])
        self.driver.find_element("css selector", "input[name=title]").send_keys(title)
        link = page.wait_for(lambda: self.js(
            "var a = document.getElementById('quiz-link'); return !a.hidden && a.href;"),
            "the link")
        qr = self.js("var c = document.getElementById('quiz-qr');"
                     " return c.tagName + ' ' + c.width + ' ' + c.hidden;")
        self.assertRegex(qr, r"^CANVAS [1-9]\d* false$")
        return link

    def screen(self, name):
        """The RGB image of a fixed screen (its bank URL read from the served site)."""
        url = self.bank["files"][name].split("?")[0]
        path = os.path.join(self.site, *urllib.parse.unquote(url).split("/"))
        return Image.open(path).convert("RGB")

    def shows(self, screen):
        """Whether the canvas shows screen: at least 90 % of its pixels as they are (the
        program may write on it)."""
        changed = ImageChops.difference(self.page.canvas(), screen).convert("L")
        differing = sum(changed.point(lambda value: 255 if value else 0).histogram()[1:])
        return differing < 0.1 * screen.width * screen.height

    def answer(self, name, screens):
        """Types name and Return; True when the right-answer screen (or, after the last
        molecule, the closing one) follows, False when the wrong-answer one does."""
        self.page.type_text(name)
        self.page.press("Return")
        return self.page.wait_for(
            lambda: "right" if self.shows(screens["correct"]) or self.shows(screens["last"]) else
            "wrong" if self.shows(screens["incorrect"]) else None, "the answer's screen") == "right"

    def test_composed_quiz_from_search_to_a_whole_play(self):
        self.open_maker()
        link = self.make_quiz("us", "My Quiz 1")
        parts = urllib.parse.urlsplit(link)
        self.assertEqual(parts.scheme + "://" + parts.netloc + parts.path,
                         self.server.url + "index.html")
        query = urllib.parse.parse_qs(parts.query)
        self.assertEqual(query["style"], ["us"])
        self.assertEqual(query["title"], ["My Quiz 1"])

        page = self.page = webharness.Page(self.driver, link)
        screens = {name: self.screen(name) for name in ("correct.bmp", "incorrect.bmp", "last.bmp")}
        screens = {name[:-4]: image for name, image in screens.items()}
        page.wait_for(lambda: self.js(
            "return performance.getEntriesByName('molvane-first-frame').length;"),
            "the home screen")
        home = page.canvas()
        page.press("space")
        page.wait_for(lambda: ImageChops.difference(page.canvas(), home).getbbox() is not None,
                      "the first question")
        page.type_text("wrong")
        page.press("Return")
        page.wait_for(lambda: self.shows(screens["incorrect"]), "the wrong-answer screen")
        left = [BUTENE[3], ETHYNE[3]]
        for _ in range(2):
            page.press("KP_5")
            page.wait_for(lambda: not self.shows(screens["incorrect"]) and
                          not self.shows(screens["correct"]), "a question")
            name = left[0]
            if not self.answer(name, screens):
                page.press("KP_5")
                page.wait_for(lambda: not self.shows(screens["incorrect"]), "the question again")
                name = left[1]
                self.assertTrue(self.answer(name, screens), "one of the picked names is right")
            left.remove(name)
        self.assertEqual(left, [])
        page.wait_for(lambda: self.shows(screens["last"]), "the closing screen")
        page.press("x")
        contract = page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)
        self.assertIsNone(contract["error"])

    def download(self, kind, name):
        """Clicks the download button of data-download kind; returns the path of the file
        called name that the browser saves."""
        downloads = os.path.join(self.tmp, "downloads")
        os.makedirs(downloads, exist_ok=True)
        self.page.cdp("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads)
        self.js(CLICK, '[data-download="%s"]' % kind)
        saved = os.path.join(downloads, name)
        # Chromium may create the file before it has written it: done is a whole zip,
        # with no partial download (NAME.crdownload) left beside it.
        self.page.wait_for(lambda: os.path.exists(saved) and zipfile.is_zipfile(saved) and not [
            other for other in os.listdir(downloads) if other.endswith(".crdownload")],
            "the download", timeout=20)
        return saved

    def test_downloaded_folder_passes_molvane_check(self):
        check = os.environ.get("MOLVANE_CHECK")
        if not check:
            self.skipTest("MOLVANE_CHECK is not set")
        self.open_maker()
        self.make_quiz("iupac", "Revision")  # ethyne is acetylene in iupac as in us
        archive = self.download("folder", "molvane-quiz.zip")
        folder = os.path.join(self.tmp, "folder")
        with zipfile.ZipFile(archive) as quiz:
            self.assertIsNone(quiz.testzip())
            quiz.extractall(folder)
            names = set(quiz.namelist())
        self.assertEqual({name.split("/")[0] for name in names}, {"data"})
        with open(os.path.join(folder, "data", "Molecule List.txt"), "rb") as listing:
            self.assertEqual(listing.read(), b"2\n%s\n%s\n" % (BUTENE[2].encode(),
                                                             "acetylene".encode()))
        for name in ("but-1-ene.bmp", "acetylene.bmp", "Homescreen.bmp", "background.bmp",
                     "correct.bmp", "incorrect.bmp", "last.bmp", "nsecthck.ttf"):
            self.assertIn("data/" + name, names)
        result = subprocess.run([check, os.path.join(folder, "data")], capture_output=True,
                                text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_scorm_package_is_the_tools_and_plays_to_completed(self):
        if not os.path.isfile(scorm_platform.SCORM_AGAIN):
            self.skipTest(scorm_platform.MISSING)
        title = "Alkenes & <more>"
        self.open_maker()
        self.pick_by_search(BUTENE)
        self.driver.find_element("css selector", "input[name=title]").send_keys(title)
        self.page.wait_for(lambda: self.js(
            "return !document.querySelector('[data-download=scorm]').disabled;"), "the button")
        package = self.download("scorm", "molvane-quiz-scorm.zip")
        with zipfile.ZipFile(package) as archive:
            self.assertIsNone(archive.testzip())
            names = check_manifest(self, archive, title)
            made = {name: archive.read(name) for name in names}

        # The package tool's, of the same quiz folder and the same site, holds the same.
        data = os.path.join(self.tmp, "quiz", "data")
        os.makedirs(data)
        for name, content in made.items():
            if name.startswith("quizzes/quiz/"):
                with open(os.path.join(data, name.split("/", 2)[2]), "wb") as target:
                    target.write(content)
        tools = scorm_platform.package_quiz(self.site, data, os.path.join(self.tmp, "tool.zip"),
                                            title)
        with zipfile.ZipFile(tools) as archive:
            self.assertEqual(sorted(made), sorted(archive.namelist()))
            self.assertEqual([name for name in names if archive.read(name) != made[name]], [])

        self.open_package(package)
        screen = self.screen("last.bmp")
        self.page.wait_for(lambda: self.js(
            "return performance.getEntriesByName('molvane-first-frame').length;"),
            "the home screen")
        self.js("document.getElementById('canvas').focus();")
        home = self.page.canvas()
        self.page.press("space")
        self.page.wait_for(lambda: ImageChops.difference(self.page.canvas(), home).getbbox(),
                           "the question")
        self.page.type_text(BUTENE[2])
        self.page.press("Return")
        self.page.wait_for(lambda: self.shows(screen), "the closing screen")
        self.page.press("space")
        self.assertEqual(self.page.wait_for_end()["output"], harness.expected_output())
        self.assertEqual(self.platform()["status"], "completed")


if __name__ == "__main__":
    webharness.main()
