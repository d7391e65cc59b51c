"""Tests of the quiz builder (tools/build_quiz.py) and the data it made."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOLS = os.path.join(ROOT, "tools")
sys.path.insert(0, TOOLS)

import quiz_rows  # noqa: E402
import quiz_write  # noqa: E402
import numpy as np  # noqa: E402
import quizart  # noqa: E402
import rle8  # noqa: E402
from PIL import Image  # noqa: E402

FIXED = ("Homescreen.bmp", "background.bmp", "correct.bmp", "incorrect.bmp", "last.bmp")
# Built by CMake: the data checker, and a program that prints a picture as the quiz loads it.
CHECK = os.environ.get("MOLVANE_CHECK")
BITMAP_PIXELS = os.environ.get("MOLVANE_BITMAP_PIXELS")


def write_csv(folder, text, name="molecules.csv"):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def run_builder(*args):
    return subprocess.run([sys.executable, os.path.join(TOOLS, "build_quiz.py"), *args],
                          capture_output=True, text=True)


def bmp_header(path):
    """(bits per pixel, compression) from a BMP's info header."""
    with open(path, "rb") as f:
        head = f.read(34)
    assert head[:2] == b"BM", path
    return struct.unpack("<H", head[28:30])[0], struct.unpack("<I", head[30:34])[0]


def assert_palettised(test, path):
    with Image.open(path) as im:
        test.assertEqual(im.mode, "P", path)
    test.assertEqual(bmp_header(path), (8, 1), f"{path}: not an RLE8 BMP")


def run_check(*args):
    return subprocess.run([CHECK, *args], capture_output=True, text=True)


TINY_CSV = ("name,smiles,class\n"
            "ethanol,CCO,alcohol\n"
            '"1,2-dichloroethane",ClCCCl,halogenoalkane\n'
            "methylbenzene,Cc1ccccc1,aromatic\n")
TINY_NAMES = ["ethanol", "1,2-dichloroethane", "methylbenzene"]


class BuiltQuizTest(unittest.TestCase):
    """A tiny quiz, built twice: once over an older quiz folder, once fresh."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="molvane-build-")
        csv_path = write_csv(cls.tmp, TINY_CSV)
        cls.out = os.path.join(cls.tmp, "data")
        os.makedirs(cls.out)
        # Left-overs of an earlier quiz in the same folder.
        with open(os.path.join(cls.out, "Molecule List.txt"), "w") as f:
            f.write("1\npropane\n")
        for leftover, data in (("propane.bmp", b"BM old"), ("nsecthck.ttf", b"font")):
            with open(os.path.join(cls.out, leftover), "wb") as f:
                f.write(data)
        cls.first = run_builder(csv_path, cls.out, "--replace")
        cls.again = os.path.join(cls.tmp, "again")
        cls.second = run_builder(csv_path, cls.again)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def path(self, name, folder=None):
        return os.path.join(folder or self.out, name)

    def test_builds_succeed(self):
        for result in (self.first, self.second):
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "")

    def test_list_file_holds_count_then_names_with_lf_endings(self):
        with open(self.path("Molecule List.txt"), "rb") as f:
            data = f.read()
        self.assertEqual(data, ("3\n" + "".join(n + "\n" for n in TINY_NAMES)).encode())

    def test_every_picture_is_8bit_palettised_and_sized_for_its_place(self):
        for name in TINY_NAMES:
            path = self.path(name + ".bmp")
            assert_palettised(self, path)
            with Image.open(path) as im:
                w, h = im.size
            self.assertTrue(0 < w <= 800 and 0 < h <= 340, f"{name}: {w}x{h}")
        for name in FIXED:
            assert_palettised(self, self.path(name))
            with Image.open(self.path(name)) as im:
                self.assertEqual(im.size, (800, 600), name)

    def test_molecule_backdrop_blends_into_answer_screen(self):
        with Image.open(self.path("background.bmp")) as bg:
            bg = bg.convert("RGB")
        # Where pictures go, and the prompt's row, are one plain colour.
        top = bg.crop((0, 0, 800, 340)).getcolors()
        prompt_row = bg.crop((0, 355, 800, 396)).getcolors()
        self.assertEqual(len(top), 1, "picture area of background.bmp is not plain")
        self.assertEqual([c for _, c in prompt_row], [top[0][1]])
        for name in TINY_NAMES:
            with Image.open(self.path(name + ".bmp")) as im:
                rgb = im.convert("RGB")
            w, h = rgb.size
            for corner in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
                self.assertEqual(rgb.getpixel(corner), top[0][1], f"{name} at {corner}")

    def test_heteroatoms_are_coloured_and_carbon_is_not(self):
        def has(name, pick):
            with Image.open(self.path(name + ".bmp")) as im:
                colours = im.convert("RGB").getcolors(1 << 16)
            return any(pick(*c) for _, c in colours)

        red = lambda r, g, b: r > 150 and g < 80 and b < 80        # noqa: E731
        green = lambda r, g, b: g > 100 and r < 60 and b < 60      # noqa: E731
        self.assertTrue(has("ethanol", red))
        self.assertTrue(has("1,2-dichloroethane", green))
        self.assertFalse(has("methylbenzene", red) or has("methylbenzene", green))

    def test_same_csv_gives_byte_identical_files(self):
        built = sorted(os.listdir(self.again))
        self.assertEqual(built, sorted(["Molecule List.txt", "nsecthck.ttf", ".built-from", *FIXED,
                                        *(n + ".bmp" for n in TINY_NAMES)]))
        for name in built:
            if name == "nsecthck.ttf":
                continue
            with open(self.path(name), "rb") as a, open(self.path(name, self.again), "rb") as b:
                self.assertTrue(a.read() == b.read(), f"{name} differs between builds")

    def test_rebuild_removes_unused_pictures_but_keeps_other_files(self):
        self.assertFalse(os.path.exists(self.path("propane.bmp")))
        self.assertIn(f"replacing the quiz in {self.out}: 1 molecule, with no record",
                      self.first.stdout)
        self.assertIn("propane.bmp", self.first.stdout)
        with open(self.path("nsecthck.ttf"), "rb") as f:
            self.assertEqual(f.read(), b"font")

    @unittest.skipUnless(CHECK, "molvane-check not built")
    def test_a_new_folder_gets_the_font_and_passes_the_checker(self):
        font = self.path("nsecthck.ttf", self.again)
        with open(font, "rb") as f, open(quiz_write.DEFAULT_FONT, "rb") as dejavu:
            self.assertTrue(f.read() == dejavu.read(), "the font is not DejaVu Sans")
        result = run_check(self.again)
        self.assertEqual((result.returncode, result.stdout),
                         (0, f"{self.again}: no problems found\n"))

    @unittest.skipUnless(BITMAP_PIXELS, "bitmap_pixels not built")
    def test_run_length_pictures_load_like_uncompressed_ones(self):
        def loaded(path):
            result = subprocess.run([BITMAP_PIXELS, path], capture_output=True)
            self.assertEqual(result.returncode, 0, result.stderr)
            return result.stdout

        # Rows that try the coding's edges: single pixels, pairs, runs longer
        # than 255, absolute stretches of 1 to 300 pixels, odd and even.
        rows = [[7] * 300, [k % 256 for k in range(300)], [1, 1, 2, 2, 3] * 60,
                [5] * 256 + [6] * 44, [9, 8] * 150]
        rows += [[k % 256 for k in range(n)] + [0] * (300 - n) for n in (1, 2, 3, 4, 254, 255, 256)]
        edges = Image.fromarray(np.array(rows, dtype=np.uint8), "P")
        edges.putpalette([v for k in range(256) for v in (k, 255 - k, k // 2)])
        with open(self.path("edges.bmp", self.tmp), "wb") as f:
            f.write(rle8.bmp_bytes(edges))
        with Image.open(self.path("edges.bmp", self.tmp)) as back:
            self.assertTrue(np.array_equal(np.asarray(back), np.asarray(edges)))

        for rle in (self.path("edges.bmp", self.tmp), self.path("ethanol.bmp"),
                    self.path("Homescreen.bmp")):
            self.assertEqual(bmp_header(rle), (8, 1))
            plain = os.path.join(self.tmp, "plain-" + os.path.basename(rle))
            with Image.open(rle) as im:
                im.save(plain)       # Pillow reads RLE8 and writes uncompressed
            self.assertEqual(bmp_header(plain), (8, 0))
            self.assertTrue(loaded(rle) == loaded(plain), f"{rle}: pixels differ")


class RefusedBuildTest(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="molvane-refuse-")
        self.out = os.path.join(self.tmp, "data")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def refuse(self, csv_text):
        result = run_builder(write_csv(self.tmp, csv_text), self.out)
        self.assertNotEqual(result.returncode, 0)
        self.assertFalse(os.path.exists(self.out), "a refused build wrote files")
        return [line for line in result.stderr.splitlines() if line.startswith("error:")]

    def test_names_that_do_not_match_their_structure_stop_the_build(self):
        errors = self.refuse("name,smiles,class\n"
                             "propan-2-ol,CC(C)O,alcohol\n"
                             "butan-1-ol,CCC(C)O,alcohol\n"        # that SMILES is butan-2-ol
                             "ethylol,CCO,alcohol\n"               # not a name OPSIN reads
                             "2-propanol,OC(C)C,alcohol\n")        # propan-2-ol again
        self.assertEqual(len(errors), 3, errors)
        self.assertIn('"butan-1-ol"', errors[0])
        self.assertIn("line 3", errors[0])
        self.assertIn('"ethylol"', errors[1])
        self.assertIn('"2-propanol"', errors[2])
        self.assertIn("same molecule", errors[2])

    def test_every_problem_is_reported_in_one_pass(self):
        # Typing, duplicate and row errors do not hold back those of OPSIN.
        errors = self.refuse("name,smiles\nethanol,CCO\nethan_ol,CC\nethanol,CCO\n"
                             "methane,C,gas\nethylol,CO\n")
        self.assertEqual(len(errors), 5, errors)
        self.assertTrue(errors[0].startswith('error: line 3: "ethan_ol" contains \'_\''), errors[0])
        self.assertIn("names may use a-z, A-Z, 0-9, space and , - . /, and ( ) + with --allow-keys",
                      errors[0])
        self.assertTrue(errors[1].startswith('error: line 3: "ethan_ol": OPSIN cannot'), errors[1])
        self.assertIn('line 4: "ethanol" appears twice', errors[2])
        self.assertIn('line 5 has 3 fields but the header has 2 (name, smiles): the extra field '
                      '"gas" belongs to no column', errors[3])
        self.assertTrue(errors[4].startswith('error: line 6: "ethylol": OPSIN cannot read this '
                                             "name; if the name is right, write trust"), errors[4])

    def test_csv_without_smiles_column_is_refused(self):
        errors = self.refuse("name,formula\nethanol,C2H6O\n")
        self.assertEqual(len(errors), 1)
        self.assertIn("smiles", errors[0])

    def test_unquoted_comma_in_a_name_is_refused(self):
        errors = self.refuse("name,smiles,class\n2,2-dimethylpropane,CC(C)(C)C,alkane\n")
        self.assertEqual(len(errors), 2, errors)    # and "the CSV lists no molecules"
        self.assertIn('line 2: the name 2,2-dimethylpropane has a comma', errors[1])
        self.assertIn('double quotes, as in "2,2-dimethylpropane"', errors[1])

    def test_names_kept_unverified_when_trusted(self):
        csv_path = write_csv(self.tmp, "name,smiles,check\nethanol,CCO,\n"
                                       "limonene,CC1=CCC(CC1)C(=C)C,Trust\n")
        result = run_builder(csv_path, self.out)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, 'warning: line 3: "limonene": kept without verifying '
                                        "with OPSIN (trust in its check column)\n")
        self.assertIn("2 molecules written", result.stdout)
        self.assertIn("; 1 name not verified", result.stdout)
        # The whole file, without asking OPSIN at all.
        result = run_builder(write_csv(self.tmp, "name,smiles\nlimonene,CC1=CCC(CC1)C(=C)C\n"),
                             self.out, "--trust-names")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("warning: --trust-names: 1 name kept without verifying", result.stderr)
        self.assertIn(f"1 molecule written to {self.out} (unclassed 1; 1 name not verified)",
                      result.stdout)

    def test_unreadable_smiles_is_refused(self):
        errors = self.refuse("name,smiles\ncyclopropane,C1CC\n")
        self.assertIn('"cyclopropane"', errors[0])


    def test_a_quiz_from_another_csv_is_replaced_only_when_asked(self):
        # OPSIN plays no part here.
        ours = write_csv(self.tmp, "name,smiles\nethanol,CCO\n", "ours.csv")
        other = write_csv(self.tmp, "name,smiles\nmethane,C\n", "other.csv")
        self.assertEqual(run_builder(ours, self.out, "--trust-names").returncode, 0)
        refused = run_builder(other, self.out, "--trust-names")
        self.assertEqual(refused.returncode, 1)
        self.assertIn(f"error: {self.out} holds a quiz of 1 molecule built from "
                      f"{os.path.relpath(ours)}, not from {other}; run again with --replace",
                      refused.stderr)
        with open(os.path.join(self.out, "Molecule List.txt")) as f:
            self.assertEqual(f.read(), "1\nethanol\n")
        # The same file, edited, is the same quiz.
        write_csv(self.tmp, "name,smiles\nethanol,CCO\nmethanol,CO\n", "ours.csv")
        self.assertEqual(run_builder(ours, self.out, "--trust-names").returncode, 0)
        replaced = run_builder(other, self.out, "--trust-names", "--replace")
        self.assertEqual(replaced.returncode, 0, replaced.stderr)
        self.assertIn(f"replacing the quiz in {self.out}: 2 molecules, built from "
                      f"{os.path.relpath(ours)}", replaced.stdout)


class NameRulesTest(unittest.TestCase):

    @staticmethod
    def check(*names):
        rows = [(n + 2, name, "C", "") for n, name in enumerate(names)]
        return quiz_rows.check_names(rows)

    def test_names_the_quiz_can_take(self):
        for name in ("ethanol", "1,2-dichloroethane", "ethyl ethanoate", "Ethanol",
                     "N,N-dimethylmethanamine", "a" * 51, "2.5"):
            with self.subTest(name=name):
                self.assertEqual(self.check(name), ([], []))

    def test_names_the_quiz_cannot_take(self):
        for name in ("", "ethan_ol", "café", "a" * 52, "ethanol ", " ethanol",
                     "cis/trans", "2*ol", "ethanol\t", "background", "Correct"):
            with self.subTest(name=name):
                errors, _ = self.check(name)
                self.assertTrue(errors)
                self.assertTrue(all(f'"{name}"' in e for e in errors) or name == "", errors)
        # What the refusal of a character lists follows --allow-keys.
        errors, _ = quiz_rows.check_names([(2, "α-pinene", "", "")], "+")
        self.assertIn("(names may use a-z, A-Z, 0-9, space and + , - . /, and ( ) with "
                      "--allow-keys)", errors[0])

    def test_duplicates_including_case_only_differences(self):
        errors, _ = self.check("ethanol", "propane", "ethanol", "Propane")
        self.assertEqual(len(errors), 2, errors)
        self.assertIn("line 4", errors[0])
        self.assertIn("line 5", errors[1])

    def test_keys_many_keyboards_lack_are_refused_unless_allowed(self):
        errors, warnings = self.check("(E)-but-2-ene", "ammonium+", "ethanol")
        self.assertEqual(warnings, [])
        self.assertEqual(len(errors), 2, errors)
        self.assertTrue(errors[0].startswith('line 2: "(E)-but-2-ene": '), errors[0])
        self.assertIn('--allow-keys "()"', errors[0])
        self.assertTrue(errors[1].startswith('line 3: "ammonium+": '), errors[1])
        self.assertIn("number pad", errors[1])

        errors, warnings = quiz_rows.check_names([(2, "(E)-but-2-ene", "", "")], "()")
        self.assertEqual((errors, len(warnings)), ([], 1))

    @unittest.skipUnless(CHECK, "molvane-check not built")
    def test_allowed_keys_build_with_a_warning_that_the_checker_repeats(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "data")
            csv_path = write_csv(tmp, "name,smiles\n(E)-but-2-ene,C/C=C/C\nethanol,CCO\n")
            refused = run_builder(csv_path, out)
            self.assertEqual(refused.returncode, 1)
            self.assertIn('error: line 2: "(E)-but-2-ene"', refused.stderr)
            result = run_builder(csv_path, out, "--allow-keys", "()")
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn('warning: line 2: "(E)-but-2-ene"', result.stderr)
            self.assertEqual(run_check(out).returncode, 1)
            checked = run_check("--allow-keys", "()", out)
            self.assertEqual(checked.returncode, 0, checked.stdout)
            self.assertIn("warning: ", checked.stdout)
            self.assertEqual(checked.stdout.splitlines()[-1], f"{out}: 1 warning, no problems")

    def test_quiz_size_limits(self):
        self.assertTrue(self.check()[0])
        self.assertTrue(self.check(*(f"x{i}" for i in range(501)))[0])


class PaletteTest(unittest.TestCase):

    def test_reserved_colour_survives_quantising_a_many_coloured_image(self):
        # 16k random colours: plain median cut would shift a rare exact colour.
        pixels = np.random.default_rng(1).integers(0, 256, (64, 256, 3)).astype(np.uint8)
        pixels[:2, :2] = quizart.PAPER
        out = quizart.to_palette(Image.fromarray(pixels, "RGB"), exact=[quizart.PAPER])
        self.assertEqual(out.mode, "P")
        rgb = out.convert("RGB")
        self.assertEqual(rgb.getpixel((1, 1)), quizart.PAPER)
        self.assertNotIn(quizart.PAPER, [rgb.getpixel((x, 5)) for x in range(256)])


class IconTest(unittest.TestCase):

    def test_icon_is_a_256_pixel_png(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "molvane.png")
            result = subprocess.run([sys.executable, os.path.join(TOOLS, "make_icon.py"), path],
                                    capture_output=True, text=True)
            self.assertEqual(result.returncode, 0, result.stderr)
            with Image.open(path) as im:
                self.assertEqual((im.format, im.size, im.mode), ("PNG", (256, 256), "RGBA"))
                self.assertEqual(im.getpixel((0, 0))[3], 0)      # transparent corner
                self.assertEqual(im.getpixel((128, 128))[3], 255)


LESSONS_CSV = "lesson,topic\ngases,Small alkanes\nalcohols,Alcohols\n"
LESSON_MOLECULES = ("name,smiles,lesson\n"
                    "methane,C,gases\nmethanol,CO,alcohols\nethane,CC,gases\n"
                    "ethanol,CCO,alcohols\npropane,CCC,gases\n")


class LessonTest(unittest.TestCase):
    """A CSV with a lesson column, built into one quiz per lesson and a mixed quiz."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="molvane-lessons-")
        self.csv = write_csv(self.tmp, LESSON_MOLECULES)
        self.lessons = write_csv(self.tmp, LESSONS_CSV, "lessons.csv")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def build(self, *extra):
        return run_builder(self.csv, os.path.join(self.tmp, "data"), "--lessons", self.lessons,
                           "--lessons-dir", os.path.join(self.tmp, "lessons"), *extra)

    def read(self, *parts):
        with open(os.path.join(self.tmp, *parts), "rb") as f:
            return f.read()

    def test_each_lesson_becomes_a_complete_quiz_and_the_mixed_quiz_takes_turns(self):
        result = self.build("--mixed", "3")
        self.assertEqual(result.returncode, 0, result.stderr)
        # Lessons smaller than a sitting's worth are fine, but said.
        self.assertIn('warning: lesson "alcohols" has 2 molecules', result.stderr)
        self.assertEqual(self.read("lessons", "index.tsv"),
                         b"lesson\ttopic\tmolecules\n"
                         b"gases\tSmall alkanes\t3\nalcohols\tAlcohols\t2\n")
        self.assertEqual(self.read("lessons", "gases", "Molecule List.txt"),
                         b"3\nmethane\nethane\npropane\n")
        self.assertEqual(self.read("lessons", "alcohols", "Molecule List.txt"),
                         b"2\nmethanol\nethanol\n")
        self.assertEqual(self.read("data", "Molecule List.txt"), b"3\nmethane\nmethanol\nethane\n")
        self.assertEqual(self.read("data", "ethane.bmp"),
                         self.read("lessons", "gases", "ethane.bmp"))
        homes = {self.read(folder, "Homescreen.bmp")
                 for folder in ("data", "lessons/gases", "lessons/alcohols")}
        self.assertEqual(len(homes), 3, "home screens do not name their topics")
        if CHECK:
            for folder in ("data", "lessons/gases", "lessons/alcohols"):
                checked = run_check(os.path.join(self.tmp, folder))
                self.assertEqual(checked.returncode, 0, checked.stdout)

        # A lesson dropped from the lessons file goes; one without its lesson stops the build.
        write_csv(self.tmp, "lesson,topic\ngases,Small alkanes\n", "lessons.csv")
        write_csv(self.tmp, LESSON_MOLECULES.replace("alcohols", ""))
        refused = self.build()
        self.assertEqual(refused.returncode, 1)
        self.assertIn('error: line 3: "methanol" belongs to no lesson', refused.stderr)
        write_csv(self.tmp, "".join(line for line in LESSON_MOLECULES.splitlines(True)
                                    if "alcohols" not in line))
        result = self.build()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(sorted(os.listdir(os.path.join(self.tmp, "lessons"))),
                         ["gases", "index.tsv"])


if __name__ == "__main__":
    unittest.main()
