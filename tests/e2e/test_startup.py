"""Start-up and shut-down: the log, the window, and every start-up failure."""

import datagen
import harness
from harness import SHUTDOWN, expected_output, startup_until

# SDL's own error texts, as this platform's libraries word them.
SDL_ERROR_FONT = "Couldn't open ./data/nsecthck.ttf"
SDL_ERROR_PICTURE = "Couldn't open ./data/%s"  # % the picture's file name
SDL_ERROR_AUDIO = "Audio target 'nosuch' not available"
# The list file is not opened through SDL: its step prints whatever error SDL kept
# from loading the pictures.
SDL_ERROR_AFTER_PICTURES = "Surface doesn't have a colorkey"

# The line printed when the list announces more molecules than the quiz holds.
TOO_MANY_MOLECULES = "Too many molecules in the list, the limit is 500, please try again.  Sorry.\n"


class WindowTest(harness.MolvaneCase):

    def test_escape_on_home_screen_ends_the_run(self):
        self.make_data(["Ethanol"])
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")

        info = self.x.tool("xwininfo", "-id", run.window).stdout.decode()
        self.assertIn('"Molvane"', info.splitlines()[1])
        self.assertRegex(info, r"\n\s*Width: 800\n")
        self.assertRegex(info, r"\n\s*Height: 600\n")
        self.assertIn("IsViewable", info)

        run.key("Escape")
        self.assertEnds(run, expected_output())

    def test_missing_last_picture_is_only_a_warning(self):
        colours = self.make_data(["Ethanol"], omit=["last.bmp"])
        run = self.launch()
        run.answer_first(colours["Ethanol"], "Ethanol")
        # The closing screen has no picture to draw; it still waits for a key. As
        # nothing shows that it has been reached, the key is pressed until the run
        # ends: letters taken by the answer screen after Enter are ignored there.
        self.assertTrue(run.running(), run.output())
        run.key_until_end("x")
        self.assertEnds(run, startup_until(5)
                        + "uanable to load picture, please try again later.  Sorry.\n"
                        + SDL_ERROR_PICTURE % "last.bmp"
                        + "Openning molecule list.\n" + SHUTDOWN)


class StartUpFailureTest(harness.MolvaneCase):
    """A failing step prints its message and SDL's error text, then shuts down."""

    def assertStartUpFails(self, printed, env=None, **data):
        self.make_data(["Ethanol"], **data)
        run = self.launch(window=False, env=env)
        self.assertEnds(run, printed + SHUTDOWN)

    def test_platform(self):
        self.assertStartUpFails(
            startup_until(1)
            + "Unable to initialize SDL Graphics, please try again later.  Sorry.\n"
            + SDL_ERROR_AUDIO,
            env={"SDL_AUDIODRIVER": "nosuch"})

    def test_font(self):
        self.assertStartUpFails(
            startup_until(4) + "Unable to load fonts, please try again later.  Sorry.\n"
            + SDL_ERROR_FONT,
            omit=[datagen.FONT_FILE])

    def test_background(self):
        self.assertStartUpFails(
            startup_until(5) + "Unable to load backgroung, please try again later. Sorry.\n"
            + SDL_ERROR_PICTURE % "background.bmp",
            omit=["background.bmp"])

    def test_right_answer_picture(self):
        self.assertStartUpFails(
            startup_until(5) + "Unable to load picture, please try again later. Sorry.\n"
            + SDL_ERROR_PICTURE % "correct.bmp",
            omit=["correct.bmp"])

    def test_wrong_answer_picture(self):
        self.assertStartUpFails(
            startup_until(5) + "Unable to load picture, please try again later.  Sorry.\n"
            + SDL_ERROR_PICTURE % "incorrect.bmp",
            omit=["incorrect.bmp"])

    def test_molecule_list(self):
        self.assertStartUpFails(
            startup_until(6)
            + "Unable to open molecule list, please try again later.  Sorry.\n"
            + SDL_ERROR_AFTER_PICTURES,
            omit=[datagen.LIST_FILE])


class MoleculeCountLimitTest(harness.MolvaneCase):

    def test_more_than_500_molecules_are_refused(self):
        names = ["m%03d" % k for k in range(501)]
        self.make_data(names, picture_size=(4, 4))
        run = self.launch(window=False)
        status, output = run.finish()
        self.assertEqual(status, 1)
        self.assertEqual(output, expected_output(TOO_MANY_MOLECULES))

    def test_500_molecules_are_accepted(self):
        names = ["m%03d" % k for k in range(500)]
        self.make_data(names, picture_size=(4, 4))
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        run.key("Escape")
        self.assertEnds(run, expected_output())


if __name__ == "__main__":
    harness.main()
