"""A termination signal on any screen ends the run the way closing the window does.

SDL turns SIGTERM and SIGINT into a request to quit, which reaches the screen's event
loop even while the program sleeps waiting for the next event; the run then ends
through the shut-down sequence, with its whole log and status 1. The log reaches its
file line by line while the run lasts, so even a run killed outright keeps it.
"""

import os
import signal
import time

import support
import datagen
from harness import STARTUP, expected_output


class SignalTest(support.ReliabilityCase):

    def setUp(self):
        super().setUp()
        self.colours = self.make_data(["Ethanol", "Methane"])

    def start_quiz(self):
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        return run

    def to_question(self, run):
        run.key("space")
        colour, _ = run.wait_question()
        return datagen.name_of(self.colours, colour)

    def assertSignalEndsRun(self, run, signum=signal.SIGTERM):
        since = time.monotonic()
        os.kill(run.process.pid, signum)
        self.assertEndsWithin(run, expected_output(), since, signal.Signals(signum).name)

    def test_log_is_in_the_file_while_the_run_lasts(self):
        run = self.start_quiz()
        self.assertEqual(run.output(), STARTUP)
        run.kill()
        self.assertEqual(run.output(), STARTUP)

    def test_home_screen(self):
        for signum in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=signal.Signals(signum).name):
                self.assertSignalEndsRun(self.start_quiz(), signum)

    def test_answer_entry(self):
        run = self.start_quiz()
        self.to_question(run)
        # Halfway through typing: the entry sleeps until the next event.
        run.type_text("Eth")
        self.assertSignalEndsRun(run)

    def test_wrong_answer_screen(self):
        run = self.start_quiz()
        self.to_question(run)
        run.type_text("wrong")
        run.key("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        self.assertSignalEndsRun(run)

    def answer_right(self, run):
        run.type_text(self.to_question(run))
        run.key("Return")

    def test_right_answer_screen(self):
        run = self.start_quiz()
        self.answer_right(run)
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        self.assertSignalEndsRun(run)

    def test_closing_screen(self):
        run = self.start_quiz()
        self.answer_right(run)
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        self.answer_right(run)
        run.wait_picture(datagen.LAST, "the closing screen")
        self.assertSignalEndsRun(run)


if __name__ == "__main__":
    support.main()
