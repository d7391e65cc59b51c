"""Takes screenshots of the quiz on the bundled data/ for the documentation.

Usage: /usr/bin/python3 tests/e2e/screenshots.py [--binary PATH] [--source DIR]

Runs the program under a private Xvfb server on a copy of DIR/data (DIR defaults to
the repository, PATH to DIR/build/molvane) and writes DIR/docs/screenshots/home.png,
question.png (a few letters typed) and wrong.png.
"""

import os
import shutil
import sys
import tempfile

from PIL import ImageChops

import datagen
import harness

TYPED = "Metha"


def differs(before):
    return lambda image: ImageChops.difference(image, before).getbbox() is not None


def shoot(binary, source):
    target = os.path.join(source, "docs", "screenshots")
    os.makedirs(target, exist_ok=True)
    harness.BINARY = binary
    workdir = tempfile.mkdtemp(prefix="molvane-screenshots-")
    x = harness.XServer()
    run = None
    try:
        data = os.path.join(workdir, "data")
        shutil.copytree(os.path.join(source, "data"), data)
        font = os.path.join(data, datagen.FONT_FILE)
        if not os.path.exists(font):
            shutil.copy(datagen.FONT, font)

        run = harness.Run(x, workdir).start()
        # The home screen is the first thing drawn into the (black) window.
        home = run.wait_for(lambda image: image.getbbox() is not None, "the home screen")
        home.save(os.path.join(target, "home.png"))

        run.key("space")
        shown = run.wait_for(differs(home), "the question screen")
        for key in datagen.keys_for(TYPED):
            run.key(key)
            shown = run.wait_for(differs(shown), "the typed letter")
        shown.save(os.path.join(target, "question.png"))

        run.key("Return")
        run.wait_for(differs(shown), "the wrong-answer screen").save(
            os.path.join(target, "wrong.png"))
        run.key("Escape")
        run.finish()
    finally:
        if run is not None:
            run.kill()
        x.stop()
        shutil.rmtree(workdir, ignore_errors=True)
    print("Screenshots written to " + target)


def main():
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    binary = None
    args = sys.argv[1:]
    while args:
        arg = args.pop(0)
        if arg == "--binary":
            binary = os.path.abspath(args.pop(0))
        elif arg == "--source":
            source = os.path.abspath(args.pop(0))
        else:
            sys.exit(__doc__)
    shoot(binary or os.path.join(source, "build", "molvane"), source)


if __name__ == "__main__":
    main()
