"""Tests of the SCORM package tool (tools/scorm_package.py): the manifest read as XML
(scorm_manifest_check.py), and the package's files, from a site built of stand-in
program files."""

import contextlib
import io
import json
import os
import shutil
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import scorm_package  # noqa: E402
from scorm_manifest_check import CP, check_manifest  # noqa: E402
import web_site  # noqa: E402

SCREENS = ("background.bmp", "correct.bmp", "incorrect.bmp", "last.bmp", "Homescreen.bmp")


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as target:
        target.write(content if isinstance(content, bytes) else content.encode("utf-8"))


def make_quiz(folder, names):
    """A quiz folder: the list, a font, the fixed screens and one picture per name."""
    write(os.path.join(folder, "Molecule List.txt"),
          "%d\n%s" % (len(names), "".join(name + "\n" for name in names)))
    for name in ("nsecthck.ttf",) + SCREENS + tuple(name + ".bmp" for name in names):
        write(os.path.join(folder, name), b"content of " + name.encode())
    return folder


def quietly(main, *args):
    """Runs a tool's main quietly; returns its exit status and its standard error."""
    errors = io.StringIO()
    with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(errors):
        status = main(list(args))
    return status, errors.getvalue()


class PackageTest(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="molvane-scorm-test-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        program = os.path.join(self.tmp, "program")
        write(os.path.join(program, "index.js"), "// the program\n")
        write(os.path.join(program, "index.wasm"), b"\0asm")
        for size in (32, 192, 512):
            write(os.path.join(program, "icons", "molvane-%d.png" % size), b"png")
        self.site = os.path.join(self.tmp, "site")
        other = make_quiz(os.path.join(self.tmp, "other"), ["methane"])
        status, errors = quietly(web_site.main, "build", self.site, "--program", program,
                                 "--icons", os.path.join(program, "icons"),
                                 "--page", os.path.join(ROOT, "site"), "--quiz", other)
        self.assertEqual(status, 0, errors)
        self.quiz = make_quiz(os.path.join(self.tmp, "Alcohols", "data"),
                              ["ethanol", "ethanoic acid", "1,2-dichloroethane"])
        write(os.path.join(self.quiz, "notes.txt"), "not for the package")

    def make(self, *args):
        """Runs the package tool quietly; returns its exit status and its standard error."""
        return quietly(scorm_package.main, *args)

    def package(self, name, *title):
        out = os.path.join(self.tmp, name)
        self.assertEqual(self.make("--site", self.site, self.quiz, out, *title), (0, ""))
        return out

    def test_the_manifest_lists_one_sco_and_every_file_of_the_package(self):
        package = self.package("alcohols.zip", "Alcohols, part 1")
        with zipfile.ZipFile(package) as archive:
            names = check_manifest(self, archive, "Alcohols, part 1")
            catalogue = json.loads(archive.read("quizzes/index.json"))

        # The quiz: the files the program opens, each once, and nothing else of its folder.
        [quiz] = catalogue["quizzes"]
        self.assertEqual((quiz["id"], quiz["topic"], quiz["molecules"]),
                         ("alcohols", "Alcohols, part 1", 3))
        self.assertFalse(quiz["gzip"])
        self.assertEqual({name for name in names if name.startswith("quizzes/alcohols/")},
                         {"quizzes/alcohols/" + name for name in quiz["files"]})
        self.assertIn("quizzes/alcohols/1,2-dichloroethane.bmp", names)
        self.assertFalse(any(name.startswith("quizzes/other/") for name in names))

    def test_the_same_input_gives_the_same_bytes(self):
        first, second = self.package("a.zip"), self.package("b.zip")
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertEqual(a.read(), b.read())
        with zipfile.ZipFile(first) as archive:
            title = ET.fromstring(archive.read("imsmanifest.xml")).find(
                CP + "organizations/" + CP + "organization/" + CP + "title").text
        self.assertEqual(title, "Alcohols")

    def test_a_folder_that_is_no_built_site_is_refused(self):
        out = os.path.join(self.tmp, "none.zip")
        status, errors = self.make("--site", self.quiz, self.quiz, out)
        self.assertEqual(status, 2)
        self.assertIn("not a built Molvane site", errors)
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
