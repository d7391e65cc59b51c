"""Waiting screens: the program sleeps until input comes, and input still reaches it.

Every screen waits in the kernel for the window system; these cases send their input
only once the program sleeps there, and send nothing else meanwhile.
"""

import datagen
import harness
from harness import expected_output, text_area_blank


class WaitingTest(harness.MolvaneCase):

    def test_quick_tap_on_a_picture_screen_brings_up_the_question_screen(self):
        # The picture screen takes the press and its release in one pass; the question
        # screen must then show itself without any event of its own.
        colours = self.make_data(["Ethanol"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        for _ in range(3):
            run.wait_until_sleeping()
            run.quick_tap("space")
            _, image = run.wait_question(colours["Ethanol"])
            self.assertTrue(text_area_blank(image), "a line shows before anything was typed")
            run.type_text("wrong")
            run.key("Return")
            run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_sleeping_screens_answer_a_key_and_a_window_close(self):
        colours = self.make_data(["Ethanol"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.wait_until_sleeping()
        run.key("space")
        run.wait_question(colours["Ethanol"])
        run.wait_until_sleeping()
        run.key("e")
        run.wait_for(lambda im: not text_area_blank(im), "the typed letter")
        run.wait_until_sleeping()
        run.close_window()
        self.assertEnds(run, expected_output())


if __name__ == "__main__":
    harness.main()
