"""The web site end to end: the list of quizzes, a link per quiz, the naming-style
choice, a quiz added with scripts/web-add, visits without a network, and links that
name no quiz.

Each test serves its own copy of the site that scripts/web built.
"""

import contextlib
import datetime
import json
import os
import shutil
import subprocess
import sys
import urllib.parse

from PIL import Image, ImageChops

import webharness
from webharness import datagen

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)

PICTURE = (400, 100)

# The list's finished marks: each marked quiz's topic, the mark's words and its day.
FINISHED_MARKS = """
return Array.from(document.querySelectorAll('#quizzes .finished'), function(mark) {
  return [mark.closest('a').querySelector('.topic').textContent,
          mark.textContent, mark.querySelector('time').dateTime];
});
"""
PICKER = """
return {h1: Array.from(document.querySelectorAll('#picker:not([hidden]) h1, #picker h2,'
                                                  + ' #picker h3'),
                       function(h) { return h.tagName + ' ' + h.textContent; }),
        links: Array.from(document.querySelectorAll('#quizzes li > a'), function(a) {
          var box = a.getBoundingClientRect();
          return {href: a.getAttribute('href'), topic: a.querySelector('.topic').textContent,
                  count: a.querySelector('.count').textContent,
                  left: box.left, right: box.right, height: box.height};
        }),
        width: document.documentElement.clientWidth,
        scrollWidth: document.documentElement.scrollWidth};
"""

# Every URL the page has fetched, the page itself first.
FETCHED = """
return performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'))
    .map(function(entry) { return entry.name; });
"""

NOTICE = """
return {shown: !document.getElementById('notice').hidden,
        quizShown: !document.getElementById('quiz').hidden,
        text: document.getElementById('notice-text').textContent,
        list: document.getElementById('notice-list').href,
        focused: document.activeElement.id,
        programLoaded: typeof window.Module.calledRun !== 'undefined'};
"""

END_PANEL = """
return {message: document.getElementById('message').textContent,
        again: !document.getElementById('again').hidden,
        list: document.getElementById('list').hidden ? null : document.getElementById('list').href};
"""


STYLE = "return document.querySelector('select[name=\"style\"]').value;"

BUILD = "return document.querySelector('meta[name=\"molvane-build\"]').content;"

STORES = """
var done = arguments[arguments.length - 1];
caches.keys().then(function(stores) {
  return fetch('page.css').then(function(response) { return response.text(); }).then(function(css) {
    done({stores: stores, css: css,
          navigation: performance.getEntriesByType('navigation')[0].type});
  });
});
"""


# The quiz files the offline copy holds, and those the site's catalogue lists.
QUIZ_FILES = """
var done = arguments[arguments.length - 1];
var scope = new URL('./', location.href).href;
import(scope + 'catalogue.js').then(function(page) {
  return Promise.all([
    caches.open('molvane-quizzes ' + scope).then(function(store) { return store.keys(); }),
    fetch(page.CATALOGUE).then(function(response) { return response.arrayBuffer(); })
  ]).then(function(got) {
    done({stored: got[0].map(function(request) { return request.url; })
              .filter(function(url) { return url !== scope + page.CATALOGUE; }),
          listed: page.allQuizFileUrls(page.parseCatalogue(got[1])).map(function(url) {
            return scope + url;
          })});
  });
});
"""


class SiteTest(webharness.WebCase):

    def serve_site(self, handler_class=webharness.QuietHandler):
        """Serves a fresh copy of the built site; returns its folder and its server."""
        return self.serve_copy(handler_class=handler_class)

    def catalogue(self, site):
        with open(os.path.join(site, "quizzes", "index.json"), encoding="utf-8") as source:
            return json.load(source)

    @contextlib.contextmanager
    def catalogue_changes(self, site):
        """Makes sure that the catalogue that the block rewrites shows as modified to the
        browser, which asks the server with the time of its copy, in whole seconds."""
        path = os.path.join(site, "quizzes", "index.json")
        before = os.stat(path).st_mtime
        yield
        if os.stat(path).st_mtime < before + 2:
            os.utime(path, (before + 2, before + 2))

    def wait_for_picker(self, page):
        return page.wait_for(lambda: page.driver.execute_script(PICKER)["links"] and
                             page.driver.execute_script(PICKER), "the list of quizzes")

    def wait_for_home(self, page):
        page.wait_for(lambda: (page.contract() or {}).get("output") == harness.STARTUP
                      and page.driver.execute_script("return document.getElementById('status').hidden"),
                      "the home screen", timeout=30)

    def wait_for_new_screen(self, page, before, what):
        """Waits until the canvas shows something else than the image before; returns it."""
        return page.wait_for(lambda: (lambda now: now != before and now)(page.canvas()), what)

    def wait_for_worker(self, page):
        page.wait_for(lambda: page.driver.execute_script(
            "return navigator.serviceWorker.controller !== null"), "the service worker", timeout=30)

    def assert_fetched_only_the_site(self, page, site, server):
        own = set()
        for folder, _, names in os.walk(site):
            for name in names:
                own.add(os.path.relpath(os.path.join(folder, name), site).replace(os.sep, "/"))
        for url in page.driver.execute_script(FETCHED):
            self.assertTrue(url.startswith(server.url), "fetched %s" % url)
            path = urllib.parse.unquote(urllib.parse.urlsplit(url).path)[1:]
            self.assertTrue(path in ("", "index.html") or path.startswith("quizzes/") or path in own,
                            "fetched %s" % url)

    def test_picker_lists_every_quiz_and_plays_a_lesson_from_its_link(self):
        site, server = self.serve_site()
        catalogue = self.catalogue(site)
        sizes = [os.path.getsize(os.path.join(folder, name))
                 for folder, _, names in os.walk(site) for name in names]
        self.assertLessEqual(sum(sizes), 25 * 1000 * 1000, "the whole site")
        page = webharness.Page(self.driver, server.url)
        picker = self.wait_for_picker(page)
        self.assertEqual(picker["h1"], ["H1 Molvane", "H2 Choose a quiz"] +
                         ["H3 " + level["heading"] for level in catalogue["levels"]])
        quizzes = catalogue["quizzes"]
        self.assertEqual([(link["href"], link["topic"], link["count"]) for link in picker["links"]],
                         [("?quiz=" + quiz["id"], quiz["topic"], "%d molecules" % quiz["molecules"])
                          for quiz in quizzes])
        self.assertEqual(quizzes[0]["id"], "mixed")
        self.assertEqual(picker["links"][0]["topic"], "Mixed practice")
        fetched = page.driver.execute_script(FETCHED)
        self.assertFalse([url for url in fetched if url.endswith(("/index.js", "/index.wasm"))],
                         "the list does not load the program")

        # On a 360-pixel phone the list fits the width and each link is big enough to tap.
        page.cdp("Emulation.setDeviceMetricsOverride", width=360, height=740,
                 deviceScaleFactor=2, mobile=True)
        try:
            phone = page.driver.execute_script(PICKER)
        finally:
            page.cdp("Emulation.clearDeviceMetricsOverride")
        self.assertEqual(phone["width"], 360)
        self.assertLessEqual(phone["scrollWidth"], 360)
        for link in phone["links"]:
            self.assertGreaterEqual(link["left"], 0)
            self.assertLessEqual(link["right"], 360)
            self.assertGreaterEqual(link["height"], 44)

        lesson = quizzes[1]
        page.driver.find_element("css selector", 'a[href="?quiz=%s"]' % lesson["id"]).click()
        self.wait_for_home(page)
        self.assertTrue(page.driver.current_url.endswith("/?quiz=" + lesson["id"]))
        self.assertEqual(page.driver.execute_script("return document.activeElement.id"), "canvas")
        home = page.canvas()
        page.press("space")
        self.wait_for_new_screen(page, home, "the first question")
        page.press("Escape")
        contract = page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(page.driver.execute_script(END_PANEL),
                         {"message": "The quiz has ended.", "again": True,
                          "list": server.url + "index.html"})
        # A file that several quizzes share comes from the first quiz that has it, as its
        # gzip copy.
        font = [url for url in page.driver.execute_script(FETCHED) if "nsecthck.ttf" in url]
        self.assertEqual(font, [server.url + "quizzes/mixed/nsecthck.ttf.gz?v="
                                + quizzes[0]["files"]["nsecthck.ttf"]])
        self.assert_fetched_only_the_site(page, site, server)
        self.assertFalse([line for line in page.console() if "Content Security Policy" in line])

    def test_the_style_switch_plays_a_lesson_in_us_and_is_remembered(self):
        site, server = self.serve_site()
        lesson = next(quiz for quiz in self.catalogue(site)["quizzes"] if quiz["id"] == "dienes")
        us = lesson["styles"]["us"]
        page = webharness.Page(self.driver, server.url + "index.html")
        self.wait_for_picker(page)
        self.assertEqual(page.driver.execute_script(STYLE), "uk")
        # The keyboard picks the last style, us: every link that has a us version carries it.
        page.driver.execute_script("document.querySelector('select[name=\"style\"]').focus();")
        page.press("Down", "Down")
        link = '?quiz=dienes&style=us'
        for visit in ("chosen", "remembered after a reload"):
            if visit != "chosen":
                page.driver.refresh()
            with self.subTest(visit=visit):
                links = page.wait_for(lambda: (lambda got: link in got and got)(
                    {item["href"]: item for item in page.driver.execute_script(PICKER)["links"]}),
                    "the links in us")
                self.assertEqual(page.driver.execute_script(STYLE), "us")
                self.assertEqual(links[link]["count"], "%d molecules" % us["molecules"])
                self.assertIn("?quiz=mixed", links)
                self.assertNotIn("?quiz=dienes", links)

        page.driver.find_element("css selector", 'a[href="%s"]' % link).click()
        self.wait_for_home(page)
        # The program got the us list and home screen, from the us folder.
        fetched = page.driver.execute_script(FETCHED)
        for name in ("Molecule List.txt", "Homescreen.bmp"):
            self.assertIn(server.url + "quizzes/dienes.us/%s.gz?v=%s"
                          % (urllib.parse.quote(name), us["files"][name]), fetched)
        home = page.canvas()
        page.press("space")
        question = self.wait_for_new_screen(page, home, "the first question")
        folders = {style: os.path.join(webharness.repo_root(), "lessons", style, "dienes", "data")
                   for style in ("uk", "us")}
        names = {style: self.list_names(folders[style]) for style in folders}
        shown = min(range(len(names["us"])), key=lambda index: self.difference(
            question, os.path.join(folders["us"], names["us"][index] + ".bmp")))
        # The uk name is wrong in us; the us name is right.
        page.type_text(names["uk"][shown])
        page.press("Return")
        self.wait_for_screen(page, os.path.join(folders["us"], "incorrect.bmp"), "wrong answer")
        page.press("space")
        page.wait_for(lambda: page.canvas().tobytes() == question.tobytes(),
                      "the same question again")
        page.type_text(names["us"][shown])
        page.press("Return")
        self.wait_for_screen(page, os.path.join(folders["us"], "correct.bmp"), "right answer")
        page.press("Escape")
        self.assertEqual(page.wait_for_end()["output"], harness.expected_output())
        self.assert_fetched_only_the_site(page, site, server)
        # The quiz maker starts in the style chosen on the list.
        maker = webharness.Page(self.driver, server.url + "maker.html")
        maker.wait_for(lambda: maker.driver.execute_script(
            "return !document.querySelector('input[type=search]').disabled;"), "the maker")
        self.assertEqual(maker.driver.execute_script(STYLE), "us")

    @staticmethod
    def list_names(folder):
        with open(os.path.join(folder, "Molecule List.txt"), encoding="utf-8") as listing:
            lines = listing.read().split("\n")
        return lines[1:1 + int(lines[0])]

    @staticmethod
    def difference(screen, picture_path):
        """How far the picture at picture_path is from what screen shows where the quiz
        draws a molecule: centred at the top."""
        with Image.open(picture_path) as picture:
            picture = picture.convert("RGB")
            left = (screen.width - picture.width) // 2
            area = screen.crop((left, 0, left + picture.width, picture.height))
            return sum(sum(pixel) for pixel in ImageChops.difference(area, picture).getdata())

    def wait_for_screen(self, page, path, what):
        with Image.open(path) as screen:
            expected = screen.convert("RGB")
        page.wait_for(lambda: page.canvas().tobytes() == expected.tobytes(),
                      "the %s screen" % what)

    def test_added_quiz_played_to_the_end_with_a_wrong_answer(self):
        site, server = self.serve_site()
        data = os.path.join(self.tmp, "my-quiz")
        names = ["ethanol", "Propan-2-ol"]
        colours = datagen.make_data(data, names)
        with open(os.path.join(data, "notes.txt"), "w") as notes:
            notes.write("not part of the quiz\n")
        subprocess.run([os.path.join(webharness.repo_root(), "scripts", "web-add"), data, site,
                        "my-quiz", "My own quiz"], check=True, stdout=subprocess.DEVNULL)
        self.assertFalse(os.path.exists(os.path.join(site, "quizzes", "my-quiz", "notes.txt")))
        datagen.make_data(os.path.join(self.tmp, "second"), ["methanol"])
        subprocess.run([os.path.join(webharness.repo_root(), "scripts", "web-add"),
                        os.path.join(self.tmp, "second"), site, "second", "Second quiz"],
                       check=True, stdout=subprocess.DEVNULL)
        # Where a gzip copy is missing, the page fetches the file itself.
        os.remove(os.path.join(site, "quizzes", "my-quiz", "ethanol.bmp.gz"))

        page = webharness.Page(self.driver, server.url + "index.html")
        # Quizzes of no level come first: the mixed quiz, then those added.
        added = self.wait_for_picker(page)["links"][1]
        self.assertEqual((added["href"], added["topic"], added["count"]),
                         ("?quiz=my-quiz", "My own quiz", "2 molecules"))
        page.driver.find_element("css selector", 'a[href="?quiz=my-quiz"]').click()
        page.wait_for_pixel(datagen.HOME, what="the home screen", timeout=30)
        page.press("space")
        page.wait_for(lambda: page.pixel(*PICTURE) in colours.values(), "the first question")
        first = datagen.name_of(colours, page.pixel(*PICTURE))
        page.type_text("wrong")
        page.press("Return")
        page.wait_for_pixel(datagen.INCORRECT, what="the wrong-answer screen")
        page.press("space")
        page.wait_for_pixel(colours[first], *PICTURE, what="the same molecule again")
        page.type_text(first)
        page.press("Return")
        page.wait_for_pixel(datagen.CORRECT, what="the right-answer screen")
        page.press("space")
        second = next(name for name in names if name != first)
        page.wait_for_pixel(colours[second], *PICTURE, what="the second question")
        page.type_text(second)
        page.press("Return")
        page.wait_for_pixel(datagen.LAST, what="the closing screen")
        page.press("space")
        contract = page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)

        # The end offers the list, which now holds the new quiz, and the quiz after it.
        panel = page.driver.execute_script(END_PANEL)
        self.assertEqual(panel["list"], server.url + "index.html")
        following = page.driver.find_element("id", "next")
        self.assertEqual((following.text, following.get_attribute("href")),
                         ("Next: Second quiz", server.url + "index.html?quiz=second"))
        # That one quit with Escape is not finished: the list marks only the first.
        following.click()
        page.wait_for_pixel(datagen.HOME, what="the next quiz's home screen", timeout=30)
        page.press("Escape")
        page.wait_for_end()
        self.assertFalse(page.driver.find_element("id", "next").is_displayed())
        page.driver.find_element("id", "list").click()
        self.assertEqual(self.wait_for_picker(page)["links"][1]["topic"], "My own quiz")
        [(topic, words, day)] = page.driver.execute_script(FINISHED_MARKS)
        self.assertEqual((topic, words), ("My own quiz", "\u2713 finished " + day))
        self.assertLessEqual(abs(datetime.date.fromisoformat(day) - datetime.date.today()),
                             datetime.timedelta(days=1))
        page.driver.find_element("id", "forget").click()
        self.assertEqual(page.driver.execute_script(FINISHED_MARKS), [])

    def test_a_host_that_unpacks_gzip_copies_itself(self):
        _, server = self.serve_site(webharness.UnpackingHostHandler)
        page = webharness.Page(self.driver, server.url + "index.html?quiz=alkanes")
        self.wait_for_home(page)
        page.press("Escape")
        self.assertEqual(page.wait_for_end()["output"], harness.expected_output())
        # The page took the copies as the browser unpacked them, with no plain file after.
        fetched = page.driver.execute_script(FETCHED)
        self.assertIn(server.url + "index.wasm.gz", fetched)
        self.assertEqual([url for url in fetched if url.endswith("index.wasm") or
                          "?v=" in url and ".gz?v=" not in url], [])

    def test_a_played_quiz_works_with_the_server_stopped(self):
        site, server = self.serve_site()
        # A lesson in another style: its shared list is kept too.
        url = server.url + "index.html?quiz=alkanes&style=us"
        page = webharness.Page(self.driver, url)
        self.wait_for_home(page)
        self.wait_for_worker(page)
        # What installing the site as an app needs is there: the manifest and its icons.
        self.assertEqual(page.cdp("Page.getInstallabilityErrors")["installabilityErrors"], [])
        manifest = page.cdp("Page.getAppManifest")
        self.assertEqual(manifest["errors"], [])
        self.assertEqual(manifest["url"], server.url + "manifest.webmanifest")
        page.press("Escape")
        page.wait_for_end()
        server.close()
        self.servers.remove(server)

        for visit in (lambda: webharness.Page(self.driver, url), lambda: self.driver.refresh()):
            visit()
            self.wait_for_home(page)
            home = page.canvas()
            page.press("space")
            self.wait_for_new_screen(page, home, "the first question")
            page.press("Escape")
            self.assertEqual(page.wait_for_end()["output"], harness.expected_output())

    def test_an_added_quiz_and_a_new_build_reach_a_returning_visitor(self):
        data = os.path.join(self.tmp, "data")
        datagen.make_data(data, ["ethanol"])
        site = os.path.join(self.tmp, "site")
        webharness.make_site(self.web_dir, data, site)
        server = webharness.Server(site)
        self.servers.append(server)
        page = webharness.Page(self.driver, server.url + "index.html")
        self.wait_for_home(page)
        self.wait_for_worker(page)

        with self.catalogue_changes(site):
            subprocess.run([os.path.join(webharness.repo_root(), "scripts", "web-add"), data, site,
                            "extra"], check=True, stdout=subprocess.DEVNULL)
        page = webharness.Page(self.driver, server.url + "index.html?list")
        self.assertEqual([link["topic"] for link in self.wait_for_picker(page)["links"]],
                         ["Quiz", "Extra"])

        # A new build of the page: the visitor's next visit reloads into it once, whole.
        changed = os.path.join(self.tmp, "page")
        shutil.copytree(os.path.join(webharness.repo_root(), "site"), changed)
        with open(os.path.join(changed, "page.css"), "a") as css:
            css.write("/* a new build */\n")
        with self.catalogue_changes(site):
            webharness.make_site(self.web_dir, data, site, page_dir=changed)
        build = self.catalogue(site)["build"]
        page = webharness.Page(self.driver, server.url + "index.html")
        page.wait_for(lambda: page.driver.execute_script(BUILD) == build, "the new build", timeout=30)
        self.wait_for_home(page)
        state = page.driver.execute_async_script(STORES)
        self.assertEqual(state["navigation"], "reload")
        self.assertEqual(len([name for name in state["stores"] if name.startswith("molvane-site ")]), 1)
        self.assertIn("/* a new build */", state["css"])

        # The played quiz replaced: the offline copy lets go of its old files.
        before = page.driver.execute_async_script(QUIZ_FILES)["stored"]
        other = os.path.join(self.tmp, "other")
        datagen.make_data(other, ["methanol"])
        with self.catalogue_changes(site):
            subprocess.run([os.path.join(webharness.repo_root(), "scripts", "web-add"), other, site,
                            "quiz"], check=True, stdout=subprocess.DEVNULL)
        page = webharness.Page(self.driver, server.url + "index.html?list")
        self.wait_for_picker(page)
        stale = set(before) - set(page.driver.execute_async_script(QUIZ_FILES)["listed"])
        self.assertTrue(stale)
        page.wait_for(lambda: not stale & set(page.driver.execute_async_script(QUIZ_FILES)["stored"]),
                      "the old files forgotten")

    def test_links_that_name_no_quiz_or_no_style(self):
        site, server = self.serve_site()
        cases = [("quiz=" + urllib.parse.quote(quiz_id, safe="/."),
                  'There is no quiz called "%s".' % quiz_id)
                 for quiz_id in ("../x", "//example.com/x", "nosuch", "Alkanes", "a" * 65)]
        cases += [("quiz=dienes&style=" + style, 'There is no naming style called "%s".' % style)
                  for style in ("klingon", "US", "", "u%2Fs")]
        # The mixed quiz has one version, in no other style than the default.
        cases.append(("quiz=mixed&style=us",
                      'The quiz "mixed" has no version in the us naming style.'))
        for query, text in cases:
            with self.subTest(query=query):
                page = webharness.Page(self.driver, server.url + "index.html?" + query)
                notice = page.wait_for(lambda: page.driver.execute_script(NOTICE)["shown"]
                                       and page.driver.execute_script(NOTICE), "the notice")
                self.assertEqual(notice["text"], text.replace("%2F", "/"))
                self.assertEqual(notice["list"], server.url + "index.html")
                self.assertEqual(notice["focused"], "notice-list")
                self.assertFalse(notice["quizShown"])
                self.assertFalse(notice["programLoaded"], "the program does not start")
                self.assertEqual(page.contract(), {"output": "", "exitStatus": None, "error": None})
                self.assert_fetched_only_the_site(page, site, server)


if __name__ == "__main__":
    webharness.main()
