"""The on-screen keyboard on phones and tablets, in phone emulation with CDP touches."""

import os
import sys

import webharness
from webharness import datagen

sys.path.insert(0, os.path.join(webharness.HERE, "..", "e2e"))
import harness  # noqa: E402  (the desktop end-to-end tests' expected logs)

PICTURE = (400, 100)
PHONE = (390, 844)

# Every key the keyboard must have, by data-key.
KEYS = set("abcdefghijklmnopqrstuvwxyz0123456789 ()+,-./") | {
    "Shift", "Backspace", "Enter", "Escape"}

# Records every touch event that reached the window with its default action left to
# the browser, and every context menu.
WATCH_GESTURES = """
window.touchDefaults = [];
['touchstart', 'touchend', 'contextmenu'].forEach(function(type) {
  window.addEventListener(type, function(e) {
    if (!e.defaultPrevented) window.touchDefaults.push(type);
  });
});
"""

GESTURE_CHECKS = """
return {touchDefaults: window.touchDefaults, scale: visualViewport.scale,
        scrolled: window.scrollX + window.scrollY, selected: String(getSelection()),
        focused: document.activeElement.id};
"""

LAYOUT = """
function box(element) {
  var r = element.getBoundingClientRect();
  return {left: r.left, top: r.top, right: r.right, bottom: r.bottom,
          width: r.width, height: r.height};
}
var keyboard = document.getElementById('keyboard');
return {viewport: [innerWidth, innerHeight], hidden: keyboard.hidden,
        canvas: box(document.getElementById('canvas')), keyboard: box(keyboard),
        keys: Array.prototype.map.call(keyboard.querySelectorAll('button'), function(k) {
          return {key: k.getAttribute('data-key'), box: box(k),
                  name: k.getAttribute('aria-label') || k.textContent};
        })};
"""


def overlap(a, b):
    return a["left"] < b["right"] and b["left"] < a["right"] and \
        a["top"] < b["bottom"] and b["top"] < a["bottom"]


def inside(box, width, height):
    return box["left"] >= 0 and box["top"] >= 0 and \
        box["right"] <= width + 0.5 and box["bottom"] <= height + 0.5


class TouchTest(webharness.WebCase):

    def open_phone_quiz(self, names, size=PHONE):
        webharness.emulate_phone(self.driver, *size)
        colours = self.open_quiz(names)
        self.page.wait_for_pixel(datagen.HOME, what="the home screen")
        return colours

    def wait_for_question(self, colours, what):
        page = self.page
        page.wait_for(lambda: page.pixel(*PICTURE) in colours.values(), what)
        return datagen.name_of(colours, page.pixel(*PICTURE))

    def test_whole_quiz_by_touch_alone(self):
        # A capital, a digit, every sign key; a wrong answer whose Shift was tapped twice,
        # so released, and a Backspace.
        signs = "(1,2)+ab c./d"
        colours = self.open_phone_quiz(["Propan-2-ol", signs])
        page = self.page
        page.driver.execute_script(WATCH_GESTURES)
        page.tap("x")
        wrong_done = False
        for asked in range(3):
            name = self.wait_for_question(colours, "question %d" % (asked + 1))
            if name == signs:
                page.tap_text(signs)
            elif not wrong_done:
                page.tap("Shift", "Shift")
                page.tap_text("propan-2-ol")
            else:
                page.tap_text("Propan-2-oll")
                page.tap("Backspace")
            page.tap("Enter")
            if name != signs and not wrong_done:
                page.wait_for_pixel(datagen.INCORRECT, what="the wrong-answer screen")
                wrong_done = True
                page.tap("q")
            elif asked < 2:
                page.wait_for_pixel(datagen.CORRECT, what="the right-answer screen")
                page.tap("7")
        page.wait_for_pixel(datagen.LAST, what="the closing screen")
        checks = page.driver.execute_script(GESTURE_CHECKS)
        page.tap("Escape")

        contract = page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)
        self.assertEqual(checks, {"touchDefaults": [], "scale": 1, "scrolled": 0,
                                  "selected": "", "focused": "canvas"})

    def test_keyboard_and_canvas_never_overlap_then_escape_quits(self):
        sizes = [(360, 640), PHONE, (844, 390), (640, 360), (768, 1024), (1024, 768)]
        self.open_phone_quiz(["ethanol"], size=sizes[0])
        for width, height in sizes:
            webharness.emulate_phone(self.driver, width, height)
            self.page.wait_for(lambda: self.driver.execute_script(
                "return innerWidth === %d && innerHeight === %d" % (width, height)),
                "the %d x %d viewport" % (width, height))
            layout = self.driver.execute_script(LAYOUT)
            what = "at %d x %d" % (width, height)
            canvas, keyboard = layout["canvas"], layout["keyboard"]
            self.assertFalse(layout["hidden"], what)
            self.assertFalse(overlap(canvas, keyboard), what)
            self.assertTrue(inside(canvas, width, height), what)
            self.assertTrue(inside(keyboard, width, height), what)
            self.assertAlmostEqual(canvas["width"] * 3 / 4, canvas["height"], delta=1, msg=what)
            self.assertGreaterEqual(canvas["width"], 0.45 * min(width, 800), what)
            self.assertEqual({key["key"] for key in layout["keys"]}, KEYS, what)
            for key in layout["keys"]:
                box = key["box"]
                self.assertTrue(box["width"] >= 24 and box["height"] >= 24,
                                "%r is %.1f x %.1f %s" % (key["key"], box["width"],
                                                           box["height"], what))
                self.assertTrue(box["left"] >= keyboard["left"] and
                                box["right"] <= keyboard["right"] + 0.5, what)
                self.assertTrue(key["name"].strip(), "%r has no name" % key["key"])
            if height > width:
                self.assertGreaterEqual(keyboard["top"], canvas["bottom"], what + ": below")
            elif width >= 1.5 * height:
                self.assertGreaterEqual(keyboard["left"], canvas["right"], what + ": beside")
        # On a picture screen, where any other key goes on, Escape quits.
        self.page.tap("Escape")
        contract = self.page.wait_for_end()
        self.assertEqual(contract["output"], harness.expected_output())
        self.assertEqual(contract["exitStatus"], 1)

    def test_first_touch_shows_it_and_physical_keys_still_type(self):
        # A desktop with a fine pointer: no keyboard until the first touch.
        webharness.emulate_desktop(self.driver)
        colours = self.open_quiz(["Ab1"])
        page = self.page
        page.wait_for_pixel(datagen.HOME, what="the home screen")
        hidden = "return document.getElementById('keyboard').hidden"
        self.assertTrue(page.driver.execute_script(hidden))
        page.press("space")
        self.wait_for_question(colours, "the question")
        page.touch("touchStart", 300, 300)
        page.touch("touchEnd")
        page.wait_for(lambda: not page.driver.execute_script(hidden), "the keyboard")
        page.type_text("A")
        page.tap("b")
        page.press("1")
        page.tap("Enter")
        page.wait_for_pixel(datagen.LAST, what="the closing screen")
        page.press("Escape")
        self.assertEqual(page.wait_for_end()["exitStatus"], 1)

if __name__ == "__main__":
    webharness.main()
