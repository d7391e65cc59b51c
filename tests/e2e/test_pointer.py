"""The pointer: the program reads none of its events, so a flood of motions neither
crowds out the next key nor keeps the window from being drawn again when it returns."""

import datagen
import harness
from harness import expected_output

BURST = 2000  # motions sent at once: far more than SDL's queue of 128 events holds


class PointerTest(harness.MolvaneCase):

    def test_keys_after_motion_bursts_arrive_and_a_restored_window_is_drawn(self):
        colours = self.make_data(["Ethanol"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.motion_burst(BURST)
        run.quick_tap("space")
        _, empty = run.wait_question(colours["Ethanol"])
        for letter in "ether":
            run.wait_until_sleeping()
            before = run.screenshot()
            run.motion_burst(BURST)
            run.quick_tap(letter)
            run.wait_for(lambda im: im.tobytes() != before.tobytes(),
                         "the letter %s typed right after a burst" % letter)

        run.wait_until_sleeping()
        typed = run.screenshot()
        self.assertNotEqual(typed.tobytes(), empty.tobytes())
        run.unmap_and_map()
        run.wait_for(lambda im: im.tobytes() == typed.tobytes(),
                     "the question screen drawn again after the window came back")
        run.key("Escape")
        self.assertEnds(run, expected_output())


if __name__ == "__main__":
    harness.main()
