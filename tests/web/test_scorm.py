"""SCORM 1.2 packages (scripts/web-scorm) in a learning platform's place.

Each package is played in the platform's place of scorm_platform.py: scorm-again's
API in a test page, the package's page in its frame. The program's output must stay
byte for byte that of a plain site.
"""

import argparse
import os
import sys
import unittest
import urllib.parse
import zipfile

import scorm_platform
from scorm_platform import package_quiz
import webharness
from webharness import datagen

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)

PICTURE = (400, 100)
MAX_PACKAGE_BYTES = 1000 * 1000

# The package's page: the offline copy it keeps, its service worker, and what it fetched.
PAGE_STATE = """
var done = arguments[arguments.length - 1];
Promise.all([caches.keys(), navigator.serviceWorker.getRegistrations()]).then(function(got) {
  done({stores: got[0], workers: got[1].length,
        fetched: performance.getEntriesByType('navigation')
                 .concat(performance.getEntriesByType('resource'))
                 .map(function(entry) { return entry.name; }),
        message: document.getElementById('message').textContent,
        again: !document.getElementById('again').hidden,
        statusShown: !document.getElementById('status').hidden});
});
"""

END_CALLS = ["LMSSetValue", "LMSFinish"]


class ScormTest(scorm_platform.PlatformCase, webharness.WebCase):

    def open_in_platform(self, names, query=""):
        """Packs a quiz of names, serves it unpacked below the platform's page, opens that
        page with query and switches to the package's frame; returns the pictures' colours."""
        data = os.path.join(self.tmp, "data")
        colours = datagen.make_data(data, names)
        self.open_package(package_quiz(self.web_dir, data, os.path.join(self.tmp, "quiz.zip")),
                          query)
        self.page.wait_for_pixel(datagen.HOME, what="the home screen")
        # Keys go where the focus is: into the frame, onto the quiz's canvas.
        self.driver.execute_script("document.getElementById('canvas').focus();")
        return colours

    def method_calls(self):
        return [call[0] for call in self.platform()["calls"]]

    def answer(self, name):
        self.page.type_text(name)
        self.page.press("Return")

    def assert_session_end(self, calls):
        """calls end with the session's time, then LMSFinish, and hold no other end."""
        time_call, finish = calls[-2], calls[-1]
        self.assertEqual(time_call[:2], ["LMSSetValue", "cmi.core.session_time"])
        self.assertRegex(time_call[2], r"^\d{4}:[0-5]\d:[0-5]\d\.\d\d$")
        self.assertEqual(time_call[3:], ["->", "true"])
        self.assertEqual(finish, ["LMSFinish", "", "->", "true"])
        self.assertEqual([call[0] for call in calls].count("LMSFinish"), 1)

    def test_a_finished_quiz_with_a_wrong_answer_leaves_completed(self):
        names = ["ethanol", "Propan-2-ol"]
        colours = self.open_in_platform(names)
        page = self.page
        start = [["LMSInitialize", "", "->", "true"],
                 ["LMSGetValue", "cmi.core.lesson_status", "->", "not attempted"],
                 ["LMSSetValue", "cmi.core.lesson_status", "incomplete", "->", "true"]]
        self.assertEqual(self.platform()["calls"], start)

        page.press("space")
        page.wait_for(lambda: page.pixel(*PICTURE) in colours.values(), "the first question")
        first = datagen.name_of(colours, page.pixel(*PICTURE))
        self.answer("wrong")
        page.wait_for_pixel(datagen.INCORRECT, what="the wrong-answer screen")
        page.press("space")
        page.wait_for_pixel(colours[first], *PICTURE, what="the same molecule again")
        self.answer(first)
        page.wait_for_pixel(datagen.CORRECT, what="the right-answer screen")
        page.press("space")
        second = next(name for name in names if name != first)
        page.wait_for_pixel(colours[second], *PICTURE, what="the second question")
        self.assertEqual(self.platform()["calls"], start, "nothing more before the end")
        self.answer(second)
        page.wait_for_pixel(datagen.LAST, what="the closing screen")
        self.assertEqual(self.platform()["calls"], start + [
            ["LMSSetValue", "cmi.core.lesson_status", "completed", "->", "true"],
            ["LMSCommit", "", "->", "true"]])

        page.press("space")
        self.assertEqual(page.wait_for_end()["output"], harness.expected_output())
        platform = page.wait_for(lambda: (lambda got: got["calls"][-1][0] == "LMSFinish" and got)(
            self.platform()), "LMSFinish")
        self.assertEqual(len(platform["calls"]), len(start) + 4)
        self.assert_session_end(platform["calls"])
        self.assertEqual(platform["status"], "completed")

        # Inside the platform: no offline copy, no worker, nothing fetched from outside
        # the package, and the quiz's own end panel.
        state = self.driver.execute_async_script(PAGE_STATE)
        self.assertEqual((state["stores"], state["workers"]), ([], 0))
        for url in state["fetched"]:
            self.assertTrue(url.startswith(self.server.url + "package/"), url)
        self.assertEqual(state["message"], "The quiz has ended.")
        self.assertFalse(state["again"], "a reload would open no new session")
        # Closing the page after the end ends nothing again.
        self.driver.execute_script("location.replace('about:blank');")
        page.wait_for(lambda: self.driver.execute_script("return location.href") == "about:blank",
                      "the frame to close")
        self.assertEqual(self.method_calls().count("LMSFinish"), 1)

    def test_a_quiz_quit_with_escape_leaves_incomplete(self):
        self.open_in_platform(["ethanol"])
        self.page.press("space")
        self.page.wait_for_pixel(datagen.MOLECULE_COLOURS[0], *PICTURE, what="the question")
        self.page.press("Escape")
        self.assertEqual(self.page.wait_for_end()["output"], harness.expected_output())
        platform = self.page.wait_for(
            lambda: (lambda got: got["calls"][-1][0] == "LMSFinish" and got)(self.platform()),
            "LMSFinish")
        self.assertEqual([call[0] for call in platform["calls"]],
                         ["LMSInitialize", "LMSGetValue", "LMSSetValue"] + END_CALLS)
        self.assert_session_end(platform["calls"])
        self.assertEqual(platform["status"], "incomplete")

    def test_closing_the_page_ends_the_session_and_a_completed_quiz_stays_so(self):
        self.open_in_platform(["ethanol"], "?status=completed")
        self.driver.execute_script("location.replace('about:blank');")
        platform = self.page.wait_for(
            lambda: (lambda got: got["calls"][-1][0] == "LMSFinish" and got)(self.platform()),
            "LMSFinish")
        self.assertEqual(platform["calls"][:2], [
            ["LMSInitialize", "", "->", "true"],
            ["LMSGetValue", "cmi.core.lesson_status", "->", "completed"]])
        self.assertEqual([call[0] for call in platform["calls"]],
                         ["LMSInitialize", "LMSGetValue"] + END_CALLS)
        self.assert_session_end(platform["calls"])
        self.assertEqual(platform["status"], "completed")

    def test_platform_errors_go_to_the_console_and_the_quiz_plays_on(self):
        self.open_in_platform(["ethanol"], "?broken")
        self.page.press("Escape")
        self.assertEqual(self.page.wait_for_end()["output"], harness.expected_output())
        self.assertEqual(self.method_calls(), ["LMSInitialize", "LMSGetValue", "LMSSetValue"]
                         + END_CALLS)
        state = self.driver.execute_async_script(PAGE_STATE)
        self.assertEqual(state["message"], "The quiz has ended.")
        console = "\n".join(self.page.console())
        for failed in ('LMSGetValue(\\"cmi.core.lesson_status\\") failed: Error: the platform is down',
                       'LMSSetValue(\\"cmi.core.lesson_status\\", \\"incomplete\\") failed: '
                       '101: General exception',
                       'LMSFinish(\\"\\") failed: Error: the platform is down'):
            self.assertIn(failed, console)

    def test_without_a_platform_the_package_plays_as_a_site(self):
        data = os.path.join(self.tmp, "data")
        datagen.make_data(data, ["ethanol"])
        site = os.path.join(self.tmp, "site")
        with zipfile.ZipFile(package_quiz(self.web_dir, data, os.path.join(self.tmp, "q.zip"))) as z:
            z.extractall(site)
        server = webharness.Server(site)
        self.servers.append(server)
        self.page = webharness.Page(self.driver, server.url + "index.html")
        self.page.wait_for_pixel(datagen.HOME, what="the home screen")
        self.page.wait_for(lambda: self.driver.execute_script(
            "return navigator.serviceWorker.controller !== null"), "the service worker", timeout=30)

    def test_a_package_of_twenty_molecules_is_at_most_one_megabyte(self):
        # The bundled quiz: 20 molecules drawn by the quiz builder, and the full font.
        data = os.path.join(webharness.repo_root(), "data")
        package = package_quiz(self.web_dir, data, os.path.join(self.tmp, "mixed.zip"))
        with zipfile.ZipFile(package) as archive:
            names = archive.namelist()
        quiz = [urllib.parse.unquote(name) for name in names if name.startswith("quizzes/")
                and name.endswith(".bmp")]
        self.assertEqual(len(quiz), 20 + 5)
        self.assertTrue(any(name.endswith("/nsecthck.ttf") for name in names))
        size = os.path.getsize(package)
        self.assertLessEqual(size, MAX_PACKAGE_BYTES, "the package has %d bytes" % size)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--web-dir", required=True, help="the folder scripts/web built")
    args, rest = parser.parse_known_args()
    if not os.path.isfile(scorm_platform.SCORM_AGAIN):
        print("SKIP: " + scorm_platform.MISSING)
        sys.exit(77)
    webharness.WebCase.web_dir = os.path.abspath(args.web_dir)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
