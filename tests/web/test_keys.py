"""The key table in the browser: the keys whose browser codes differ from the desktop's.

One quiz asks one molecule per family of keys. Each name is typed with those keys and
submitted; the right-answer (or closing) screen proves that every key typed exactly the
character the desktop types.
"""

import webharness
from webharness import datagen

PICTURE = (400, 100)


def shifted(page, shift, *keys):
    """Presses keys while one Shift key is held."""
    page.key_event("keyDown", shift)
    page.press(*keys)
    page.key_event("keyUp", shift)


def shifts(page):
    """Both Shift keys, and both at once (which gives small letters)."""
    shifted(page, "Shift_L", "a")
    page.press("b")
    page.key_event("keyDown", "Shift_R")
    page.press("c")
    shifted(page, "Shift_L", "d")
    page.key_event("keyUp", "Shift_R")
    page.press("Return")


def locks(page):
    """Caps Lock gives no capitals, and with Caps Lock or Num Lock on, Shift gives small
    letters; with both off again, Shift gives a capital."""
    page.press("Caps_Lock", "a")
    shifted(page, "Shift_L", "b")
    page.press("Caps_Lock", "Num_Lock")
    shifted(page, "Shift_R", "c")
    page.press("Num_Lock")
    shifted(page, "Shift_L", "d")
    page.press("Return")


def keypad_and_punctuation(page):
    """Every keypad digit and sign (multiply types nothing), the main-row signs, and
    keypad Enter to submit."""
    page.press(*["KP_%d" % d for d in range(10)])
    page.press("KP_Decimal", "KP_Add", "KP_Subtract", "KP_Divide", "KP_Multiply")
    page.press("space", "minus", "comma", "period", "slash", "5")
    page.press("KP_Enter")


def held_keys(page):
    """A held key types once: the browser's repeats are dropped."""
    page.key_event("keyDown", "a")
    for _ in range(3):
        page.key_event("keyDown", "a", repeat=True)
    page.key_event("keyUp", "a")
    page.press("b", "c")
    page.key_event("keyDown", "BackSpace")
    page.key_event("keyDown", "BackSpace", repeat=True)
    page.key_event("keyUp", "BackSpace")
    page.press("Return")


FAMILIES = {
    "AbCd": shifts,
    "abcD": locks,
    "0123456789.+-/ -,./5": keypad_and_punctuation,
    "ab": held_keys,
}


class KeyTableTest(webharness.WebCase):

    def test_every_family_types_the_desktop_characters(self):
        colours = self.open_quiz(list(FAMILIES))
        page = self.page
        page.wait_for_pixel(datagen.HOME, what="the home screen")
        page.press("space")
        for asked in range(len(FAMILIES)):
            page.wait_for(lambda: page.pixel(*PICTURE) in colours.values(),
                          "question %d" % (asked + 1))
            name = datagen.name_of(colours, page.pixel(*PICTURE))
            FAMILIES[name](page)
            last = asked == len(FAMILIES) - 1
            expected = datagen.LAST if last else datagen.CORRECT
            page.wait_for(lambda: page.pixel() in (expected, datagen.INCORRECT),
                          "the answer to %r" % name)
            self.assertEqual(page.pixel(), expected, "%s typed something else" % name)
            if not last:
                page.press("space")
        page.press("Escape")
        self.assertEqual(page.wait_for_end()["exitStatus"], 1)


if __name__ == "__main__":
    webharness.main()
