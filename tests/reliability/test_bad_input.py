"""Broken data files: every run ends cleanly, with its exact output and status 1, in time.

Pictures: each fixed picture and a molecule picture, truncated, garbage, or with a
header that declares a picture of gigabytes. Lists: counts that are no count, too
large, or without names; an enormous name; names with bytes above 0x7F; a last line
without its line end; CR LF line ends.
"""

import time

import support
from support import BROKEN_PICTURES, load_error
import datagen
from harness import SHUTDOWN, expected_output, startup_until

TOO_MANY = "Too many molecules in the list, the limit is 500, please try again.  Sorry.\n"
DELETING = "Deleting molecules.\n"


def missing_picture(name):
    return "Cannot load molecule picture of " + name + " sorry, please try again later\n"


class BrokenPictureTest(support.ReliabilityCase):
    """Every picture file the program loads, broken three ways."""

    def break_picture(self, file_name, kind, size=(800, 600)):
        """Fresh data/ with one molecule, Ethanol, and `file_name` broken as `kind`."""
        colours = self.make_data(["Ethanol"])
        self.write_data(file_name, BROKEN_PICTURES[kind](size))
        return colours

    def test_start_up_stops_at_a_broken_required_picture(self):
        failures = {
            "background.bmp": "Unable to load backgroung, please try again later. Sorry.\n",
            "correct.bmp": "Unable to load picture, please try again later. Sorry.\n",
            "incorrect.bmp": "Unable to load picture, please try again later.  Sorry.\n",
        }
        for file_name, message in failures.items():
            for kind in BROKEN_PICTURES:
                with self.subTest(picture=file_name, broken=kind):
                    self.break_picture(file_name, kind)
                    self.assertFailsWithin(
                        startup_until(5) + message + load_error(kind, "./data/" + file_name) + SHUTDOWN)

    def test_broken_closing_picture_is_only_a_warning(self):
        warning = "uanable to load picture, please try again later.  Sorry.\n"
        for kind in BROKEN_PICTURES:
            with self.subTest(broken=kind):
                colours = self.break_picture("last.bmp", kind)
                run = self.launch()
                run.answer_first(colours["Ethanol"], "Ethanol")
                # The closing screen shows nothing new, so keys go on until one ends it.
                since = time.monotonic()
                run.key_until_end("x")
                self.assertEndsWithin(
                    run,
                    startup_until(5) + warning + load_error(kind, "./data/last.bmp")
                    + "Openning molecule list.\n" + SHUTDOWN,
                    since, "the key on the closing screen")

    def test_broken_home_picture_still_waits_for_a_key(self):
        for kind in BROKEN_PICTURES:
            with self.subTest(broken=kind):
                colours = self.break_picture("Homescreen.bmp", kind)
                run = self.launch()
                run.key("space")
                run.wait_question(colours["Ethanol"])
                since = time.monotonic()
                run.key("Escape")
                self.assertEndsWithin(run, expected_output(), since, "Escape")

    def test_broken_molecule_picture_ends_the_run(self):
        for kind in BROKEN_PICTURES:
            with self.subTest(broken=kind):
                self.break_picture("Ethanol.bmp", kind, size=(200, 200))
                self.assertFailsWithin(expected_output(missing_picture("Ethanol")))


class BrokenListTest(support.ReliabilityCase):
    """Molecule lists that are empty, odd or huge."""

    def write_list(self, data, names=("Ethanol",)):
        """Fresh data/ with pictures for `names`, and `data` (bytes) as the list file."""
        colours = self.make_data(list(names))
        self.write_data(datagen.LIST_FILE, data)
        return colours

    def test_count_lines_that_announce_no_molecules(self):
        # No records: the home screen, then the quiz is over at once.
        for data in [b"", b"1e12\nEthanol\n", b"-5\nEthanol\n", b"0x1A\nEthanol\n",
                     b"nan\nEthanol\n"]:
            with self.subTest(list=data):
                self.write_list(data)
                run = self.launch()
                run.wait_picture(datagen.HOME, "the home screen")
                since = time.monotonic()
                run.key("space")
                self.assertEndsWithin(run, expected_output(DELETING), since, "the key on the home screen")

    def test_count_above_the_limit_is_refused(self):
        self.write_list(b"600\n" + b"".join(b"Ethanol\n" for _ in range(600)))
        self.assertFailsWithin(expected_output(TOO_MANY))

    def test_count_without_names(self):
        for data in [b"3\n", b"3"]:
            with self.subTest(list=data):
                self.write_list(data)
                self.assertFailsWithin(expected_output(missing_picture("")))

    def test_megabyte_name(self):
        name = "a" * (1 << 20)
        self.write_list(b"1\n" + name.encode() + b"\n")
        self.assertFailsWithin(expected_output(missing_picture(name)))

    def test_names_with_bytes_above_0x7f(self):
        names = [b"\xe9thanol", b"M\xfcnchen \xff\x80"]
        with self.subTest("pictures present"):
            self.write_list(b"2\n" + b"".join(name + b"\n" for name in names), names=())
            for colour, name in zip(datagen.MOLECULE_COLOURS, names):
                self.write_data(name + b".bmp", support.bmp_bytes((200, 200), colour))
            run = self.launch()
            run.wait_picture(datagen.HOME, "the home screen")
            run.key("space")
            run.wait_question()
            since = time.monotonic()
            run.key("Escape")
            self.assertEndsWithin(run, expected_output(), since, "Escape")
        with self.subTest("picture missing"):
            missing = b"caf\xe9\xa0\xc3"
            self.write_list(b"1\n" + missing + b"\n", names=())
            self.assertFailsWithin(expected_output(missing_picture(missing.decode("latin-1"))))

    def test_line_ends(self):
        for data in [b"1\nEthanol", b"1\r\nEthanol\r\n"]:
            with self.subTest(list=data):
                colours = self.write_list(data)
                run = self.launch()
                run.answer_first(colours["Ethanol"], "Ethanol")
                run.wait_picture(datagen.LAST, "the closing screen")
                since = time.monotonic()
                run.key("x")
                self.assertEndsWithin(run, expected_output(), since, "the key on the closing screen")


if __name__ == "__main__":
    support.main()
