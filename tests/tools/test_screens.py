"""The fixed screens of tools/quizart.py stay small as RLE8 files, since the browser
build fetches them on every first visit."""

import io
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))

import quizart  # noqa: E402
import rle8  # noqa: E402
from PIL import Image  # noqa: E402


class ScreenSizeTest(unittest.TestCase):

    def test_each_screen_compresses_to_a_few_dozen_kilobytes(self):
        screens = dict(quizart.shared_screens())
        screens["Homescreen.bmp"] = quizart.home_screen(topic="Halogenoalkanes \u00b7 15 molecules")
        sizes = {name: len(rle8.bmp_bytes(picture)) for name, picture in screens.items()}
        for name, size in sizes.items():
            self.assertLess(size, 64 * 1024, name)
        self.assertLess(sum(sizes.values()), 160 * 1024, sizes)

    def test_short_palette_keeps_every_pixel(self):
        picture = Image.new("P", (5, 2))
        picture.putpalette([0, 0, 0] * 10 + [10, 20, 30, 40, 50, 60])
        picture.putdata([10, 11, 10, 10, 11] * 2)
        data = rle8.bmp_bytes(picture)
        self.assertEqual(int.from_bytes(data[46:50], "little"), 2)  # biClrUsed
        with Image.open(io.BytesIO(data)) as loaded:
            self.assertEqual(list(loaded.convert("RGB").getdata()),
                             list(picture.convert("RGB").getdata()))


if __name__ == "__main__":
    unittest.main()
