"""Whole runs of the quiz: questions, feedback screens, the closing screen."""

import datagen
import harness
from harness import expected_output, text_area_blank

MISSING_PICTURE = "Cannot load molecule picture of %s sorry, please try again later\n"


class QuizTest(harness.MolvaneCase):

    def test_three_molecules_with_wrong_answers(self):
        colours = self.make_data(["Ethanol", "Acetic acid", "1,2-Dichloroethane"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.key("space")

        first, image = run.wait_question()
        self.assertTrue(text_area_blank(image))
        name = datagen.name_of(colours, first)

        # An empty line is a wrong answer.
        run.key("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        run.key("space")
        run.wait_question(first)

        # So is the name in small letters; the typed text shows while typing.
        run.type_text(name.lower())
        run.wait_for(lambda im: not text_area_blank(im), "the typed text")
        run.key("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        run.key("space")
        _, image = run.wait_question(first)
        self.assertTrue(text_area_blank(image), "the previous answer is still on the line")

        asked = [first]
        run.type_text(name + "x")
        run.key("BackSpace", "Return")
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        run.key("space")
        for _ in range(2):
            colour, image = run.wait_question()
            self.assertNotIn(colour, asked)
            self.assertTrue(text_area_blank(image))
            asked.append(colour)
            run.type_text(datagen.name_of(colours, colour))
            run.key("Return")
            if len(asked) < 3:
                run.wait_picture(datagen.CORRECT, "the right-answer screen")
                run.key("space")
        # The last right answer leads to the closing screen, never the right-answer one.
        run.wait_picture(datagen.LAST, "the closing screen")
        run.key("b")
        self.assertEnds(run, expected_output())

    def test_single_molecule_goes_straight_to_closing_screen(self):
        colours = self.make_data(["Water"])
        run = self.launch()
        run.answer_first(colours["Water"], "Water", submit="KP_Enter")
        run.wait_picture(datagen.LAST, "the closing screen")
        run.key("Return")
        self.assertEnds(run, expected_output())

    def test_list_without_molecules(self):
        # A count of zero, a negative one, no number at all, or one too large for a
        # 32-bit integer: the home screen, then the end.
        for first_line in ("0", "-3", "  none", "99999999999", "0x1A"):
            with self.subTest(first_line=first_line):
                self.make_data(list_text=first_line + "\nEthanol\n")
                run = self.launch()
                run.wait_picture(datagen.HOME, "the home screen")
                run.key("space")
                self.assertEnds(run, expected_output("Deleting molecules.\n"))

    def test_count_is_truncated_to_an_integer(self):
        colours = self.make_data(["Ethanol", "Propane"],
                                 list_text="1.9 molecules\nEthanol\nPropane\n")
        run = self.launch()
        run.answer_first(colours["Ethanol"], "Ethanol")
        run.wait_picture(datagen.LAST, "the closing screen")
        run.key("space")
        self.assertEnds(run, expected_output())

    def test_list_with_crlf_line_ends(self):
        colours = self.make_data(["Ethanol"], list_text="1\r\nEthanol\r\n")
        run = self.launch()
        run.answer_first(colours["Ethanol"], "Ethanol")
        run.wait_picture(datagen.LAST, "the closing screen")
        run.key("space")
        self.assertEnds(run, expected_output())

    def test_missing_molecule_picture(self):
        self.make_data(["Ethanol", "Acetic acid", "Propane"], omit=["Acetic acid.bmp"])
        run = self.launch(window=False)
        self.assertEnds(run, expected_output(MISSING_PICTURE % "Acetic acid"))

    def test_list_shorter_than_its_count(self):
        self.make_data(["Ethanol", "Propane"], count=3)
        run = self.launch(window=False)
        self.assertEnds(run, expected_output(MISSING_PICTURE % ""))


if __name__ == "__main__":
    harness.main()
