"""Picture screens and quitting: what dismisses a screen and what ends the run."""

import datagen
import harness
from harness import expected_output, text_area_blank


class PictureScreenTest(harness.MolvaneCase):

    def start_quiz(self, names=("Ethanol", "Propane")):
        """Starts a run and leaves the home screen; returns (run, {name: colour})."""
        colours = self.make_data(list(names))
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.key("space")
        return run, colours

    def answer_wrong(self, run):
        colour, _ = run.wait_question()
        run.type_text("wrong")
        run.key("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        return colour

    def test_pointer_and_clicks_leave_home_screen_up(self):
        colours = self.make_data(["Ethanol"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        for x, y in ((100, 100), (400, 300), (790, 590)):
            run.mouse_move(x, y)
        run.click()
        # Had any of those left the home screen, this key would be typed as an answer.
        run.key("q")
        _, image = run.wait_question(colours["Ethanol"])
        self.assertTrue(text_area_blank(image), "the key that left home was typed")
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_home_screen_without_picture_still_waits_for_a_key(self):
        colours = self.make_data(["Ethanol"], omit=["Homescreen.bmp"])
        run = self.launch()
        # Nothing shows the home screen; had it not waited, this key would be typed.
        run.key("q")
        _, image = run.wait_question(colours["Ethanol"])
        self.assertTrue(text_area_blank(image), "the key that left home was typed")
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_key_release_leaves_wrong_answer_screen_up(self):
        run, _ = self.start_quiz()
        colour, _ = run.wait_question()
        run.type_text("wrong")
        run.key_down("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        run.key_up("Return")
        run.mouse_move(50, 50)
        run.key("q")
        _, image = run.wait_question(colour)
        self.assertTrue(text_area_blank(image), "the key that left the screen was typed")
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_escape_on_wrong_answer_screen_ends_the_run(self):
        run, _ = self.start_quiz()
        self.answer_wrong(run)
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_escape_on_right_answer_screen_ends_the_run(self):
        run, colours = self.start_quiz()
        colour, _ = run.wait_question()
        run.type_text(datagen.name_of(colours, colour))
        run.key("Return")
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_closing_window_on_home_screen_ends_the_run(self):
        self.make_data(["Ethanol"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.close_window()
        self.assertEnds(run, expected_output())

    def test_closing_window_on_answer_screen_ends_the_run(self):
        run, _ = self.start_quiz()
        run.wait_question()
        run.type_text("Eth")
        run.close_window()
        self.assertEnds(run, expected_output())

    def test_closing_window_on_wrong_answer_screen_ends_the_run(self):
        run, _ = self.start_quiz()
        self.answer_wrong(run)
        run.close_window()
        self.assertEnds(run, expected_output())


if __name__ == "__main__":
    harness.main()
