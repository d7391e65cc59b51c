"""Tests of the site tool (tools/web_site.py): a quiz folder read as the program reads
it, a site built from stand-in program files, and quizzes added to it."""

import contextlib
import gzip
import hashlib
import io
import json
import os
import re
import shutil
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import web_bank  # noqa: E402
import web_site  # noqa: E402

PAGE = os.path.join(ROOT, "site")
FIXED = ("background.bmp", "correct.bmp", "incorrect.bmp", "last.bmp", "Homescreen.bmp")


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as target:
        target.write(content if isinstance(content, bytes) else content.encode("utf-8"))


def make_quiz(folder, names, screens=b"screen"):
    """A quiz folder: the list, a font, the fixed screens and one picture per name."""
    write(os.path.join(folder, "Molecule List.txt"), "%d\n%s" % (len(names), "".join(
        name + "\n" for name in names)))
    write(os.path.join(folder, "nsecthck.ttf"), b"font")
    for name in FIXED:
        write(os.path.join(folder, name), screens + name.encode())
    for name in names:
        write(os.path.join(folder, name + ".bmp"), b"picture of " + name.encode())
    return folder


def run(*args):
    """Runs the tool; returns its exit status and what it wrote to standard error."""
    errors = io.StringIO()
    with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(errors):
        try:
            status = web_site.main(list(args))
        except SystemExit as e:
            status = e.code
    return status, errors.getvalue()


class ListReadingTest(unittest.TestCase):

    def test_count_line_as_the_program_reads_it(self):
        cases = {b"12": 12, b"12 apples": 12, b"12.9": 12, b"  +3": 3, b"-4": -4, b"1e2": 100,
                 b"3e": 3, b".5": 0, b"0x1A": 0, b"abc": 0, b"": 0, b"inf": 0,
                 b"9999999999": -2147483648, b"-2147483648": -2147483648,
                 b"2147483647.5": 2147483647}
        for line, count in cases.items():
            with self.subTest(line=line):
                self.assertEqual(web_site.molecule_count(line), count)

    def test_names_as_the_program_reads_them(self):
        self.assertEqual(web_site.read_list(b"2\r\nethanol\r\nmethane\r\nextra\n"),
                         (2, [b"ethanol", b"methane"]))
        # Missing lines give empty names; an unterminated last line keeps its CR.
        self.assertEqual(web_site.read_list(b"3\nethanol\r"), (3, [b"ethanol\r", b"", b""]))
        self.assertEqual(web_site.read_list(b"501\n" + b"x\n" * 501), (501, []))
        self.assertEqual(web_site.read_list(b"-1\nx\n"), (-1, []))
        self.assertEqual(web_site.read_list(b""), (0, []))


class SiteCase(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="molvane-site-test-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.program = os.path.join(self.tmp, "program")
        write(os.path.join(self.program, "index.js"), "// the program\n")
        write(os.path.join(self.program, "index.wasm"), b"\0asm")
        for size in (32, 192, 512):
            write(os.path.join(self.program, "icons", "molvane-%d.png" % size), b"png")

    def build(self, site, *quiz, page=PAGE):
        status, errors = run("build", site, "--program", self.program, "--icons",
                             os.path.join(self.program, "icons"), "--page", page, *quiz)
        self.assertEqual(status, 0, errors)

    def catalogue(self, site):
        with open(os.path.join(site, "quizzes", "index.json"), encoding="utf-8") as source:
            return json.load(source)

    def assert_stored_once(self, site):
        """Checks that the site stores each file its catalogue lists, with its gzip copy,
        in the folder of the first quiz version that lists it, and no other quiz file."""
        expected, stored = {}, set()
        for quiz in self.catalogue(site)["quizzes"]:
            versions = [(quiz["id"], quiz["files"])]
            for style, version in quiz.get("styles", {}).items():
                shared = {"shared.json": version["shared"]} if "shared" in version else {}
                versions.append((quiz["id"] + "." + style, dict(version["files"], **shared)))
            for folder, files in versions:
                for name, hash_ in files.items():
                    expected.setdefault(hash_, folder + "/" + name)
        for folder, _, names in os.walk(os.path.join(site, "quizzes")):
            for name in names:
                path = os.path.relpath(os.path.join(folder, name), os.path.join(site, "quizzes"))
                if path != "index.json":
                    stored.add(path.replace(os.sep, "/"))
        self.assertEqual(stored, set(expected.values()) | {p + ".gz" for p in expected.values()})
        for hash_, place in expected.items():
            with gzip.open(os.path.join(site, "quizzes", place + ".gz")) as unpacked:
                self.assertEqual(hashlib.sha256(unpacked.read()).hexdigest()[:16], hash_, place)

    def make_root(self):
        """A repository of a mixed quiz and two lessons, "first" in uk, iupac and us and
        "second" in uk only, that share their screens, font and pictures."""
        root = os.path.join(self.tmp, "root")
        make_quiz(os.path.join(root, "data"), ["ethanol"])
        write(os.path.join(root, "lessons", "index.tsv"),
              "lesson\tlevel\ttopic\tmolecules\tstyles\n"
              "first\tfirst-steps\tFirst lesson\t1\tuk iupac us\n"
              "second\tnowhere\tSecond lesson\t1\tuk\n")
        for style, name in (("uk", "propan-2-ol"), ("iupac", "propan-2-ol"), ("us", "2-propanol")):
            folder = make_quiz(os.path.join(root, "lessons", style, "first", "data"), [name])
            write(os.path.join(folder, "Homescreen.bmp"), "home of " + style)
            write(os.path.join(folder, name + ".bmp"), b"picture of propan-2-ol")
        make_quiz(os.path.join(root, "lessons", "uk", "second", "data"), ["ethanol", "methane"])
        return root


class FolderTest(SiteCase):

    def test_files_listed_are_those_the_program_may_open_that_exist(self):
        quiz = make_quiz(os.path.join(self.tmp, "quiz"), ["ethanol", "sub/propane"])
        os.remove(os.path.join(quiz, "last.bmp"))
        write(os.path.join(quiz, "notes.txt"), "private")
        listing = ("5\nethanol\nsub/propane\n../outside\n/absolute\n").encode() + b"caf\xe9\n"
        write(os.path.join(quiz, "Molecule List.txt"), listing)
        write(os.path.join(self.tmp, "outside.bmp"), b"not in the folder")
        entry = web_site.folder_entry(quiz)
        self.assertEqual(entry["molecules"], 5)
        self.assertEqual(sorted(entry["files"]),
                         sorted(["Molecule List.txt", "nsecthck.ttf", "background.bmp",
                                 "correct.bmp", "incorrect.bmp", "Homescreen.bmp",
                                 "ethanol.bmp", "sub/propane.bmp"]))
        self.assertEqual(entry["files"]["ethanol.bmp"],
                         hashlib.sha256(b"picture of ethanol").hexdigest()[:16])


class BuildAndAddTest(SiteCase):

    def test_a_site_of_one_quiz_and_its_worker(self):
        site = os.path.join(self.tmp, "site")
        self.build(site, "--quiz", make_quiz(os.path.join(self.tmp, "My Quiz", "data"), ["ethanol"]))
        catalogue = self.catalogue(site)
        self.assertEqual([quiz["id"] for quiz in catalogue["quizzes"]], ["my-quiz"])
        with open(os.path.join(site, "index.html"), encoding="utf-8") as source:
            html = source.read()
        self.assertIn('<meta name="molvane-start" content="my-quiz">', html)
        self.assertIn('<meta name="molvane-build" content="%s">' % catalogue["build"], html)
        # A page file the page folder lacks (keyboard.js) is not referred to.
        if not os.path.exists(os.path.join(PAGE, "keyboard.js")):
            self.assertNotIn("keyboard.js", html)
        with open(os.path.join(site, "service_worker.js"), encoding="utf-8") as source:
            worker = json.loads(re.search(r"^var SITE = (.*);$", source.read(), re.M).group(1))
        self.assertEqual(worker["build"], catalogue["build"])
        self.assertIn("index.wasm", worker["files"])
        for name, hash_ in worker["files"].items():
            with open(os.path.join(site, name), "rb") as source:
                self.assertEqual(hashlib.sha256(source.read()).hexdigest()[:16], hash_, name)
        # Every quiz file and the program have a gzip copy beside them.
        quiz = catalogue["quizzes"][0]
        self.assertTrue(quiz["gzip"])
        packed = [os.path.join("quizzes", "my-quiz", name) for name in quiz["files"]] + ["index.wasm"]
        for name in packed:
            with open(os.path.join(site, name), "rb") as plain, \
                    gzip.open(os.path.join(site, name + ".gz")) as unpacked:
                self.assertEqual(unpacked.read(), plain.read(), name)

        # The same input gives the same build; a changed page file a new one.
        self.build(site, "--quiz", os.path.join(self.tmp, "My Quiz", "data"))
        self.assertEqual(self.catalogue(site)["build"], catalogue["build"])
        page = os.path.join(self.tmp, "page")
        shutil.copytree(PAGE, page)
        write(os.path.join(page, "page.css"), "body {}\n")
        self.build(site, "--quiz", os.path.join(self.tmp, "My Quiz", "data"), page=page)
        self.assertNotEqual(self.catalogue(site)["build"], catalogue["build"])

    def test_add_appends_a_new_quiz_and_replaces_one_in_place(self):
        site = os.path.join(self.tmp, "site")
        self.build(site, "--quiz", make_quiz(os.path.join(self.tmp, "first"), ["ethanol"]))
        build = self.catalogue(site)["build"]
        extra = make_quiz(os.path.join(self.tmp, "extra"), ["methane", "ethane"])
        write(os.path.join(extra, "notes.txt"), "private")
        self.assertEqual(run("add", extra, site, "carboxylic-acids")[0], 0)
        self.assertEqual(run("add", extra, site, "third", "Third topic")[0], 0)
        quizzes = self.catalogue(site)["quizzes"]
        self.assertEqual([(q["id"], q["topic"], q["molecules"]) for q in quizzes],
                         [("first", "First", 1), ("carboxylic-acids", "Carboxylic acids", 2),
                          ("third", "Third topic", 2)])
        self.assertFalse(os.path.exists(os.path.join(site, "quizzes", "third", "notes.txt")))

        # Replacing keeps the place and the topic, and drops the files of the old folder.
        smaller = make_quiz(os.path.join(self.tmp, "smaller"), ["propane"], screens=b"new")
        status, errors = run("add", smaller, site, "carboxylic-acids")
        self.assertEqual(status, 0, errors)
        catalogue = self.catalogue(site)
        self.assertEqual(catalogue["build"], build)
        replaced = catalogue["quizzes"][1]
        self.assertEqual((replaced["id"], replaced["topic"], replaced["molecules"]),
                         ("carboxylic-acids", "Carboxylic acids", 1))
        # The font is the first quiz's, so it stays there alone.
        names = ["Molecule List.txt", "propane.bmp"] + list(FIXED)
        self.assertEqual(sorted(os.listdir(os.path.join(site, "quizzes", "carboxylic-acids"))),
                         sorted(names + [name + ".gz" for name in names]))
        self.assert_stored_once(site)

    def test_lessons_in_every_style_store_each_file_once(self):
        site = os.path.join(self.tmp, "site")
        self.build(site, "--bundled", self.make_root())
        catalogue = self.catalogue(site)
        self.assertEqual([style["id"] for style in catalogue["styles"]], ["uk", "iupac", "us"])
        self.assertTrue(all(style["description"] for style in catalogue["styles"]))
        self.assertEqual(catalogue["levels"][0], {"id": "first-steps", "heading": "First steps"})
        mixed, first, second = catalogue["quizzes"]
        self.assertEqual([mixed["id"], "level" in mixed, "styles" in mixed], ["mixed", False, False])
        self.assertEqual((first["level"], sorted(first["styles"])), ("first-steps", ["iupac", "us"]))
        # The catalogue lists a version's own files; its shared list those of the quiz's.
        us = first["styles"]["us"]
        self.assertEqual((us["molecules"], sorted(us["files"])),
                         (1, ["Homescreen.bmp", "Molecule List.txt"]))
        with open(os.path.join(site, "quizzes", "first.us", "shared.json"), "rb") as source:
            content = source.read()
        self.assertEqual(hashlib.sha256(content).hexdigest()[:16], us["shared"])
        self.assertEqual(json.loads(content)["2-propanol.bmp"],
                         first["files"]["propan-2-ol.bmp"])
        self.assertEqual(sorted(json.loads(content)),
                         ["2-propanol.bmp", "background.bmp", "correct.bmp", "incorrect.bmp",
                          "last.bmp", "nsecthck.ttf"])
        # A level the site does not know leaves the lesson with none; no style folders, no
        # versions.
        self.assertEqual(("level" in second, "styles" in second), (False, False))
        # The styles' folders hold what differs: the us list, each style's home screen, and
        # their shared lists.
        self.assertEqual(sorted(os.listdir(os.path.join(site, "quizzes", "first.us"))),
                         ["Homescreen.bmp", "Homescreen.bmp.gz", "Molecule List.txt",
                          "Molecule List.txt.gz", "shared.json", "shared.json.gz"])
        self.assertEqual(sorted(os.listdir(os.path.join(site, "quizzes", "first.iupac"))),
                         ["Homescreen.bmp", "Homescreen.bmp.gz", "shared.json",
                          "shared.json.gz"])
        self.assert_stored_once(site)

    def test_replacing_a_quiz_moves_the_files_others_share_with_it(self):
        site = os.path.join(self.tmp, "site")
        self.build(site, "--bundled", self.make_root())
        other = make_quiz(os.path.join(self.tmp, "other"), ["butane"], screens=b"other")
        write(os.path.join(other, "nsecthck.ttf"), b"other font")
        # The mixed quiz held the font, the screens and ethanol's picture for everyone.
        status, errors = run("add", other, site, "mixed")
        self.assertEqual(status, 0, errors)
        quizzes = self.catalogue(site)["quizzes"]
        self.assertEqual([quiz["id"] for quiz in quizzes], ["mixed", "first", "second"])
        self.assertTrue(os.path.isfile(os.path.join(site, "quizzes", "first", "nsecthck.ttf")))
        self.assert_stored_once(site)
        # A lesson replaced loses its versions and their folders.
        status, errors = run("add", other, site, "first")
        self.assertEqual(status, 0, errors)
        first = self.catalogue(site)["quizzes"][1]
        self.assertEqual((first["topic"], first["level"], "styles" in first),
                         ("First lesson", "first-steps", False))
        self.assertFalse(os.path.exists(os.path.join(site, "quizzes", "first.us")))
        self.assert_stored_once(site)

    def test_replacing_a_lesson_keeps_the_files_of_the_molecule_bank(self):
        root = self.make_root()
        write(os.path.join(root, "content", "bank.tsv"), "id\tsmiles\tclass\tlesson\tuk\tiupac\tus\n"
              "1\tCCO\talcohol\tsecond\tethanol\tethanol\tethanol\n"
              "2\tC\talkane\tsecond\tmethane\tmethane\tmethane\n")
        for style in ("uk", "iupac", "us"):
            write(os.path.join(root, "lessons", "screens", "home-%s.bmp" % style), style)
        site = os.path.join(self.tmp, "site")
        self.build(site, "--bundled", root)

        def assert_bank_files_hold_their_content():
            for place, hash_ in web_bank.bank_places(site).items():
                with open(os.path.join(site, "quizzes", *place.split("/")), "rb") as stored:
                    self.assertEqual(hashlib.sha256(stored.read()).hexdigest()[:16], hash_, place)
        self.assertIn("second/methane.bmp", web_bank.bank_places(site))
        # A lesson without the bank's methane: the bank keeps its picture there.
        status, errors = run("add", make_quiz(os.path.join(self.tmp, "a"), ["butane"]), site,
                             "second")
        self.assertEqual(status, 0, errors)
        assert_bank_files_hold_their_content()
        # A lesson with another methane.bmp would put it in the bank's place: refused.
        other = make_quiz(os.path.join(self.tmp, "b"), ["methane"])
        write(os.path.join(other, "methane.bmp"), b"another picture")
        status, errors = run("add", other, site, "second")
        self.assertEqual(status, 2)
        self.assertIn("molecule bank uses quiz second's methane.bmp", errors)
        self.assertIn("butane.bmp", self.catalogue(site)["quizzes"][2]["files"])
        assert_bank_files_hold_their_content()

    def test_add_refuses_bad_ids_and_folders_that_are_no_site(self):
        site = os.path.join(self.tmp, "site")
        self.build(site, "--quiz", make_quiz(os.path.join(self.tmp, "first"), ["ethanol"]))
        quiz = os.path.join(self.tmp, "first")
        for bad in ("../x", "Upper", "a" * 65, "", "a/b"):
            with self.subTest(quiz_id=bad):
                status, errors = run("add", quiz, site, bad)
                self.assertEqual(status, 2)
                self.assertIn("not a quiz ID", errors)
        status, errors = run("add", quiz, self.tmp, "fine")
        self.assertEqual(status, 2)
        self.assertIn("not a Molvane site", errors)
        self.assertEqual(len(self.catalogue(site)["quizzes"]), 1)


if __name__ == "__main__":
    unittest.main()
