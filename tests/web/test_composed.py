"""Composed links (index.html?m=CODE&style=STYLE&title=TITLE): a quiz of bank molecules
played from its link, with and without a network, and the links that make no quiz.

Each test serves its own copy of the site that scripts/web built; the links are made
here by a twin of site/composed_link.js's encodeIds.
"""

import json
import os
import shutil
import sys
import urllib.parse

from PIL import Image

import webharness

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)

sys.path.insert(0, os.path.join(webharness.HERE, "..", "..", "tools"))
from quiz_link import code_of_bytes, composed_href, encode_ids  # noqa: E402

NOTICE = """
return {shown: !document.getElementById('notice').hidden,
        quizShown: !document.getElementById('quiz').hidden,
        text: document.getElementById('notice-text').textContent,
        elements: document.getElementById('notice-text').children.length,
        list: document.getElementById('notice-list').href,
        programLoaded: typeof window.Module.calledRun !== 'undefined'};
"""
# The link's query for ids, style and title, and what the page reads back from it.
READ_BACK = """
var done = arguments[arguments.length - 1];
var ids = arguments[0], style = arguments[1], title = arguments[2];
Promise.all([import('./composed_link.js'), fetch('bank/index.json').then(r => r.json())])
    .then(function(got) {
  var href = got[0].composedHref(ids, style, title);
  done({href: href, read: got[0].readComposed(new URLSearchParams(href), got[1])});
});
"""
FINISHED = "return JSON.parse(localStorage.getItem('molvane-finished'));"
# Where the home screen's topic line is drawn (tools/quizart.py TOPIC_LINE): rows
# 168 +- 18, which a title changes and nothing else.
TOPIC_ROWS = range(150, 187)


def link(code, style, title):
    """The link of code in style with title: a text, None, or {parameter: value}."""
    query = {"m": code, "style": style}
    if isinstance(title, dict):
        query.update(title)
    elif title is not None:
        query["title"] = title
    return "index.html?" + urllib.parse.urlencode(query, quote_via=urllib.parse.quote)


def screen(path):
    with Image.open(path) as image:
        return image.convert("RGB")


def pixels(image, box=None):
    """The RGB bytes of image, or of its box."""
    return (image.crop(box) if box else image).tobytes()


class ComposedTest(webharness.WebCase):

    def serve_site(self):
        site, server = self.serve_copy()
        with open(os.path.join(site, "bank", "index.json"), encoding="utf-8") as source:
            self.bank = json.load(source)
        return site, server

    def wait_for_home(self, page, template):
        """Waits for the home screen made of template; returns it."""
        page.wait_for(lambda: (page.contract() or {}).get("output") == harness.STARTUP
                      and page.driver.execute_script("return document.getElementById('status').hidden"),
                      "the program's start", timeout=30)
        top = (0, 0, 800, 1)
        return page.wait_for(lambda: (lambda canvas: pixels(canvas, top) == pixels(template, top) and canvas)(
            page.canvas()), "the home screen")

    def shown_molecule(self, page, pictures):
        """Waits for one of pictures {name: image} at the top centre; returns its name."""
        def shown():
            canvas = page.canvas()
            for name, picture in pictures.items():
                left = (800 - picture.width) // 2
                if pixels(canvas, (left, 0, left + picture.width, picture.height)) == pixels(picture):
                    return name
            return None
        return page.wait_for(shown, "a molecule of the quiz")

    def test_a_composed_quiz_played_to_the_end_and_again_offline(self):
        site, server = self.serve_site()
        # butane, and the first molecule the us style names unlike uk.
        first = self.bank["molecules"][0]
        other = next(m for m in self.bank["molecules"] if m["names"]["us"] != m["names"]["uk"]
                     and set(m["names"]["us"]) <= set("abcdefghijklmnopqrstuvwxyz0123456789-,"))
        names = [first["names"]["us"], other["names"]["us"]]
        pictures = {m["names"]["us"]: screen(os.path.join(site, urllib.parse.unquote(
            m["picture"].split("?")[0]))) for m in (first, other)}
        code = encode_ids([other["id"], first["id"]])
        url = server.url + link(code, "us", "Week 3 <b>&amp;</b> more")
        page = webharness.Page(self.driver, url)

        # The us home screen with the title where a lesson's topic goes, in the same look.
        template = screen(os.path.join(site, "bank", "home-us.bmp"))
        home = self.wait_for_home(page, template)
        lesson_home = screen(os.path.join(site, "quizzes", "alkanes", "Homescreen.bmp"))
        self.assertNotEqual(pixels(home), pixels(lesson_home))
        for y in (0, 100, 149, 187, 300, 565, 599):
            row = (0, y, 800, y + 1)
            self.assertEqual(pixels(home, row), pixels(template, row), "row %d" % y)
        band = home.crop((0, TOPIC_ROWS[0], 800, TOPIC_ROWS[-1] + 1)).getcolors(1 << 16)
        self.assertTrue(any(r > 200 and 140 < g < 200 and b < 100 for _, (r, g, b) in band),
                        "amber text on the topic line")
        page.wait_for(lambda: page.driver.execute_script(
            "return navigator.serviceWorker.controller !== null"), "the service worker", 30)

        page.press("space")
        asked = self.shown_molecule(page, pictures)
        page.type_text("wrong")
        page.press("Return")
        page.wait_for_pixel((251, 236, 234), what="the wrong-answer screen")
        page.press("space")
        self.assertEqual(self.shown_molecule(page, pictures), asked, "the same molecule again")
        page.type_text(asked)
        page.press("Return")
        page.wait_for_pixel((233, 246, 238), what="the right-answer screen")
        page.press("space")
        second = self.shown_molecule(page, {n: p for n, p in pictures.items() if n != asked})
        self.assertEqual(sorted([asked, second]), sorted(names))
        page.type_text(second)
        page.press("Return")
        page.wait_for_pixel((255, 255, 255), 400, 300, what="the closing screen")
        page.press("space")
        contract = page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)
        self.assertIn("m:%s us" % code, page.driver.execute_script(FINISHED))

        # Played once, it plays again with the server stopped.
        server.close()
        self.servers.remove(server)
        page = webharness.Page(self.driver, url)
        self.assertEqual(pixels(self.wait_for_home(page, template)), pixels(home))
        page.press("space")
        self.shown_molecule(page, pictures)
        page.press("Escape")
        self.assertEqual(page.wait_for_end()["output"], harness.expected_output())

    def test_links_that_make_no_quiz(self):
        _, server = self.serve_site()
        held = [m["id"] for m in self.bank["molecules"][:2]]
        missing = max(m["id"] for m in self.bank["molecules"]) + 1
        two = encode_ids(held)
        cases = [
            # (what, CODE, style, title, the message)
            ("an ID the bank does not hold", encode_ids(held + [missing]), "uk", "Test",
             'The quiz link "Test" cannot be played: this site\'s bank does not hold (or no '
             'longer holds) molecule %d.' % missing),
            ("an unknown style", two, "fr", "Test",
             'The quiz link "Test" cannot be played: it asks for the naming style "fr", which '
             'is not one of uk, iupac, us.'),
            ("more than 500", encode_ids(range(1, 502)), "uk", "Test",
             'The quiz link "Test" cannot be played: it names 501 molecules, and a quiz holds '
             'at most 500.'),
            ("none at all", "", "uk", "Test",
             'The quiz link "Test" cannot be played: it names no molecules.'),
            ("a repeated ID", code_of_bytes(bytes([held[0], 0])), "uk", "Test",
             'The quiz link "Test" cannot be played: it names a molecule twice.'),
            ("a bad character", two + "*", "uk", "Test",
             'The quiz link "Test" cannot be played: its list of molecules is damaged.'),
            ("a number cut short", code_of_bytes(bytes([held[0], 0x81])), "uk", "Test",
             'The quiz link "Test" cannot be played: its list of molecules is damaged.'),
            ("a title too long", two, "uk", "x" * 41,
             "This quiz link cannot be played: its title is longer than 40 characters."),
            ("a title the font cannot show", two, "uk", "Caf\u00e9 \u20ac",
             "This quiz link cannot be played: its title has characters the quiz cannot show."),
            ("no title", two, "uk", None, "This quiz link cannot be played: it has no title."),
            ("a damaged title", two, "uk", {"t": "V2Vl*"},
             "This quiz link cannot be played: its title is damaged."),
            ("two titles", two, "uk", {"t": "V2Vlaw", "title": "Week"},
             'The quiz link "Week" cannot be played: it has two titles.'),
            ("a title with markup", encode_ids([missing]), "uk", "<img src=x onerror=alert(1)>",
             'The quiz link "<img src=x onerror=alert(1)>" cannot be played: this site\'s bank '
             'does not hold (or no longer holds) molecule %d.' % missing),
        ]
        for what, code, style, title, message in cases:
            with self.subTest(what):
                page = webharness.Page(self.driver, server.url + link(code, style, title))
                notice = page.wait_for(lambda: page.driver.execute_script(NOTICE)["shown"]
                                       and page.driver.execute_script(NOTICE), "the notice")
                self.assertEqual(notice["text"], message)
                self.assertEqual(notice["elements"], 0, "text only")
                self.assertEqual(notice["list"], server.url + "index.html")
                self.assertFalse(notice["quizShown"])
                self.assertFalse(notice["programLoaded"], "the program does not start")
                self.assertEqual(page.contract(), {"output": "", "exitStatus": None, "error": None})
        # A site without the bank (a site of one quiz) says so.
        _, server = self.serve_copy("bare", lambda site: shutil.rmtree(os.path.join(site, "bank")))
        page = webharness.Page(self.driver, server.url + link(two, "uk", "Test"))
        page.wait_for(lambda: page.driver.execute_script(
            "return document.getElementById('message').textContent;") ==
            "This site has no bank of molecules, so it cannot play quizzes made with the quiz "
            "maker.", "the message")


    def test_links_of_forty_molecules_fit_in_200_characters_and_read_back(self):
        _, server = self.serve_site()
        webharness.Page(self.driver, server.url + "maker.html")
        ids = [m["id"] for m in self.bank["molecules"]][::16][:40]
        self.assertEqual(len(ids), 40)
        for title in ("Year 12 revision: alkanes and alkenes!", "\u00e9" * 40, "\u00ff~ " * 13):
            with self.subTest(title=title):
                got = self.driver.execute_async_script(READ_BACK, ids, "iupac", title)
                self.assertLessEqual(len(got["href"]), 200, got["href"])
                self.assertEqual(got["read"], {"ids": ids, "style": "iupac", "title": title})
                self.assertEqual("index.html" + got["href"], composed_href(ids, "iupac", title))


if __name__ == "__main__":
    webharness.main()
