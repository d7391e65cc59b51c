"""The browser build end to end: the quiz, the page contract and the ways a run ends."""

import os
import struct
import sys

import webharness
from webharness import datagen

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)

# Where the molecule's picture (200 x 200, centred at the top) shows on the question screen.
PICTURE = (400, 100)
# Whether the program told the page that the quiz was finished.
FINISHED = "return window.Module.molvaneFinished === true;"

CONTRACT_CHECKS = """
return {title: document.title, focused: document.activeElement.id,
        scrolled: window.scrollX + window.scrollY, href: location.href,
        notPrevented: window.notPrevented || null,
        message: document.getElementById('message').textContent,
        detail: document.getElementById('detail').hidden ? null
                : document.getElementById('detail').textContent,
        again: !document.getElementById('again').hidden
               && document.activeElement.id === 'again'};
"""

# Records every key press whose default action the page left to the browser.
WATCH_DEFAULTS = """
window.notPrevented = [];
window.addEventListener('keydown', function(e) {
  if (!e.defaultPrevented) window.notPrevented.push(e.code);
});
"""


def write_rle8_bmp(path, width, height, left, right):
    """An 8-bit BMP coded with run lengths (BI_RLE8): left half one colour, right the other."""
    rows = b""
    half = width // 2
    for _ in range(height):
        for index, count in ((0, half), (1, width - half)):
            while count > 0:
                run = min(count, 255)
                rows += bytes([run, index])
                count -= run
        rows += b"\x00\x00"  # end of line
    rows = rows[:-2] + b"\x00\x01"  # end of picture
    palette = bytes([left[2], left[1], left[0], 0, right[2], right[1], right[0], 0])
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(rows), 2835, 2835, 2, 2)
    with open(path, "wb") as bmp:
        bmp.write(b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset))
        bmp.write(info + palette + rows)


class QuizTest(webharness.WebCase):

    def current_molecule(self, colours):
        colour = self.page.pixel(*PICTURE)
        return datagen.name_of(colours, colour)

    def wait_for_screen(self, colour, what):
        self.page.wait_for_pixel(colour, what=what)

    def test_quiz_with_a_wrong_answer_then_play_again(self):
        names = ["ethanol", "Propan-2-ol"]
        colours = self.open_quiz(names)
        page = self.page
        self.wait_for_screen(datagen.HOME, "the home screen")
        page.driver.execute_script(WATCH_DEFAULTS)
        checks = page.driver.execute_script(CONTRACT_CHECKS)
        self.assertEqual(checks["title"], "Molvane")
        self.assertEqual(checks["focused"], "canvas")
        contract = page.contract()
        self.assertIsNone(contract["exitStatus"])
        self.assertEqual(contract["output"], harness.STARTUP)

        page.press("space")
        page.wait_for(lambda: page.pixel(*PICTURE) in colours.values(), "the first question")
        first = self.current_molecule(colours)
        page.type_text("wrong")
        page.press("BackSpace", "Return")
        self.wait_for_screen(datagen.INCORRECT, "the wrong-answer screen")
        page.press("KP_5")
        page.wait_for_pixel(colours[first], *PICTURE, what="the same molecule again")
        page.type_text(first)
        page.press("Return")
        self.wait_for_screen(datagen.CORRECT, "the right-answer screen")
        page.press("a")
        second = next(name for name in names if name != first)
        page.wait_for_pixel(colours[second], *PICTURE, what="the second question")
        page.type_text(second)
        page.press("Return")
        self.wait_for_screen(datagen.LAST, "the closing screen")
        self.assertIsNone(page.contract()["exitStatus"])
        self.assertTrue(page.driver.execute_script(FINISHED), "the page learns of the finish")
        page.press("x")

        contract = page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)
        self.assertIsNone(contract["error"])
        checks = page.driver.execute_script(CONTRACT_CHECKS)
        self.assertEqual(checks["message"], "The quiz has ended.")
        self.assertIsNone(checks["detail"])
        self.assertTrue(checks["again"], "Play again is offered and focused")
        self.assertEqual(checks["scrolled"], 0)
        self.assertTrue(checks["href"].endswith("/index.html"))
        self.assertEqual(checks["notPrevented"], [])
        console = "\n".join(page.console())
        self.assertIn('"Openning molecule list."', console)

        # Play again, from the keyboard: the page reloads and a new run starts.
        page.press("Return")
        page.wait_for(lambda: (page.contract() or {}).get("exitStatus", 1) is None
                      and page.contract()["output"] == harness.STARTUP, "a new run")
        self.wait_for_screen(datagen.HOME, "the home screen of the new run")

    def test_missing_picture_ends_with_its_message(self):
        # The list is UTF-8; the output keeps its two bytes for "é" as they are.
        self.open_quiz(["ethanol", "méthanol"], omit=("méthanol.bmp",))
        self.page.wait_for_end()
        name = "méthanol".encode("utf-8").decode("latin-1")
        message = "Cannot load molecule picture of %s sorry, please try again later\n" % name
        contract = self.page.contract()
        self.assertEqual(contract["output"], harness.expected_output(message))
        self.assertEqual(contract["exitStatus"], 1)
        checks = self.page.driver.execute_script(CONTRACT_CHECKS)
        self.assertEqual(checks["message"], "The quiz has ended because of a problem:")
        self.assertEqual(checks["detail"], message.rstrip("\n"))
        self.assertTrue(checks["again"])

    def test_escape_without_a_closing_picture_is_no_failure(self):
        self.open_quiz(["ethanol"], omit=("last.bmp",))
        self.wait_for_screen(datagen.HOME, "the home screen")
        self.page.press("Escape")
        self.assertIn("uanable to load picture", self.page.wait_for_end()["output"])
        self.assertFalse(self.page.driver.execute_script(FINISHED), "quitting is not finishing")
        checks = self.page.driver.execute_script(CONTRACT_CHECKS)
        self.assertEqual(checks["message"], "The quiz has ended.")
        self.assertIsNone(checks["detail"])

    def test_missing_font_fails_start_up(self):
        self.open_quiz(["ethanol"], omit=(datagen.FONT_FILE,))
        self.page.wait_for_end()
        output = self.page.contract()["output"]
        message = "Unable to load fonts, please try again later.  Sorry.\n"
        self.assertTrue(output.startswith(harness.startup_until(4) + message), output)
        self.assertTrue(output.endswith(harness.SHUTDOWN), output)
        detail = self.page.driver.execute_script(CONTRACT_CHECKS)["detail"]
        self.assertTrue(detail.startswith(message), detail)

    def test_run_length_coded_picture_and_one_the_browser_decodes(self):
        left, right = (10, 120, 200), (220, 90, 30)

        def use_rle8_and_32_bits(data):
            write_rle8_bmp(os.path.join(data, "ethanol.bmp"), 200, 200, left, right)
            # 32 bits a pixel is a kind that the program leaves to the browser's decoder.
            datagen.Image.new("RGBA", (800, 600), datagen.HOME + (255,)).save(
                os.path.join(data, "Homescreen.bmp"), "BMP")

        self.open_quiz(["ethanol"], prepare=use_rle8_and_32_bits)
        self.wait_for_screen(datagen.HOME, "the home screen")
        self.page.press("space")
        self.page.wait_for_pixel(left, 350, 100, what="the left half of the RLE8 picture")
        self.assertEqual(self.page.pixel(450, 100), right)

    def test_crash_shows_a_failure_state(self):
        self.open_quiz(["ethanol"])
        self.wait_for_screen(datagen.HOME, "the home screen")
        self.page.driver.execute_script("setTimeout(function() { abort('injected fault'); }, 0);")
        self.page.wait_for(lambda: self.page.contract()["error"], "the crash to show")
        contract = self.page.contract()
        self.assertIsNone(contract["exitStatus"])
        self.assertIn("injected fault", contract["error"])
        checks = self.page.driver.execute_script(CONTRACT_CHECKS)
        self.assertEqual(checks["message"], "The quiz has stopped because of an error.")
        self.assertEqual(checks["detail"], "Openning molecule list.")
        self.assertTrue(checks["again"])


if __name__ == "__main__":
    webharness.main()
