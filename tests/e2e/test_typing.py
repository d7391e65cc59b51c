"""Typing an answer: Shift keys, lock keys, the keypad, editing and the length limit.

Keypad keys are pressed by keycode: by keysym, xdotool would toggle Num Lock itself.
"""

import ctypes
import ctypes.util
import threading
import time

import datagen
import harness
from datagen import KEYCODES
from harness import expected_output


class PointerFlood:
    """Moves the pointer to and fro by one pixel, `rate` times a second, from a thread
    of its own, the way a fast mouse or a palm on a touchpad does, until stopped."""

    def __init__(self, display, rate=1000):
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeRelativeMotionEvent.argtypes = [
            ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
        self.x11 = x11
        self.connection = None
        for _ in range(harness.X_TOOL_ATTEMPTS):
            self.connection = x11.XOpenDisplay(display.encode())
            if self.connection:
                break
        if not self.connection:
            raise AssertionError("cannot open display " + display)
        self.rate = rate
        self.sent = 0
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self._move, daemon=True)
        self.thread.start()

    def _move(self):
        started = time.monotonic()
        while not self.stopping.is_set():
            self.xtst.XTestFakeRelativeMotionEvent(self.connection, 1 - 2 * (self.sent % 2), 0, 0)
            # Synced one by one, so that the server cannot merge them.
            self.x11.XSync(self.connection, 0)
            self.sent += 1
            self.stopping.wait(max(0.0, started + self.sent / self.rate - time.monotonic()))

    def stop(self):
        if self.connection:
            self.stopping.set()
            self.thread.join()
            self.x11.XCloseDisplay(self.connection)
            self.connection = None


class TypingTest(harness.MolvaneCase):

    def ask(self, name):
        """Starts a one-molecule quiz on `name` and waits for its question."""
        colours = self.make_data([name])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.key("space")
        run.wait_question(colours[name])
        self.colour = colours[name]
        return run

    def assertWrongThenAskedAgain(self, run):
        run.key("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        run.key("space")
        run.wait_question(self.colour)

    def assertRightAndEnd(self, run):
        run.key("Return")
        run.wait_picture(datagen.LAST, "the closing screen")
        run.key("space")
        self.assertEnds(run, expected_output())

    def test_shift_keys_and_keypad(self):
        run = self.ask("Poly-1.2+Ky/3 Tz")
        run.key("shift+p", "o", "l", "y", KEYCODES["KP_Subtract"], KEYCODES["KP_1"],
                KEYCODES["KP_Decimal"], "2", KEYCODES["KP_Add"])
        # The right Shift alone.
        run.key_down(KEYCODES["Shift_R"])
        run.key("k")
        run.key_up(KEYCODES["Shift_R"])
        # Keypad multiply types nothing; Shift with a digit types the digit.
        run.key("y", KEYCODES["KP_Multiply"], KEYCODES["KP_Divide"], "shift+3", "space",
                "shift+t", "w", "BackSpace", "z")
        self.assertRightAndEnd(run)

    # With any other modifier than exactly one Shift, letters come out small: each
    # of these names is typed right only when that holds.

    def test_both_shift_keys_give_small_letters(self):
        run = self.ask("ab")
        run.key_down(KEYCODES["Shift_R"])
        run.key("shift+a", "shift+b")
        run.key_up(KEYCODES["Shift_R"])
        self.assertRightAndEnd(run)

    def test_caps_lock_gives_small_letters_even_with_shift(self):
        run = self.ask("ethanol")
        run.key(KEYCODES["Caps_Lock"])
        run.key("shift+e", "t", "shift+h", "a", "n", "o", "l")
        self.assertRightAndEnd(run)

    def test_num_lock_gives_small_letters_even_with_shift(self):
        run = self.ask("ab1")
        run.key(KEYCODES["Num_Lock"])
        run.key("shift+a", "b", KEYCODES["KP_1"])
        self.assertRightAndEnd(run)

    def test_wrong_case_is_a_wrong_answer(self):
        run = self.ask("Ethanol")
        run.key(KEYCODES["Caps_Lock"])
        run.type_text("Ethanol")
        self.assertWrongThenAskedAgain(run)
        run.key(KEYCODES["Caps_Lock"])
        run.type_text("Ethanol")
        self.assertRightAndEnd(run)

    def test_line_holds_at_most_51_characters(self):
        name = "abcdefghij" * 5 + "k"
        run = self.ask(name)
        # The 51st character is wrong, the next ones do not fit; after a Backspace
        # there is room for the right one.
        run.type_text(name[:50] + "z" + "qqqq")
        run.key("BackSpace", "k")
        self.assertRightAndEnd(run)

    def test_pointer_flood_loses_no_key(self):
        colours = self.make_data(["Ethanol", "Propane"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.key("space")
        colour, _ = run.wait_question()
        run.mouse_move(400, 300)
        flood = PointerFlood(self.x.display)
        self.addCleanup(flood.stop)
        # Every key of the name and Enter must arrive while the pointer keeps moving.
        run.type_text(datagen.name_of(colours, colour))
        run.key("Return")
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        flood.stop()
        self.assertGreater(flood.sent, 0)
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_trailing_space_must_be_typed(self):
        run = self.ask("Propane ")
        run.type_text("Propane")
        self.assertWrongThenAskedAgain(run)
        run.type_text("Propane ")
        self.assertRightAndEnd(run)


if __name__ == "__main__":
    harness.main()
