"""Tests of tools/latin1_font.py: the browser's font, cut down to Latin-1."""

import os
import subprocess
import sys
import tempfile
import unittest

from fontTools.ttLib import TTFont

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, TOOLS)

import latin1_font  # noqa: E402


class Latin1FontTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.path = os.path.join(cls.tmp.name, "nsecthck.ttf")
        subprocess.run([sys.executable, os.path.join(TOOLS, "latin1_font.py"), cls.path],
                       check=True)
        cls.font = TTFont(cls.path)
        cls.source = TTFont(latin1_font.DEFAULT_SOURCE)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_maps_exactly_latin1_and_keeps_notdef(self):
        self.assertEqual(sorted(self.font.getBestCmap()), latin1_font.LATIN1)
        self.assertEqual(self.font.getGlyphOrder()[0], ".notdef")
        self.assertGreater(self.font["glyf"][".notdef"].numberOfContours, 0)

    def test_text_is_laid_out_as_with_the_whole_font(self):
        # Same advance for every character: the canvas places each glyph where it did.
        ours, theirs = self.font.getBestCmap(), self.source.getBestCmap()
        for code in latin1_font.LATIN1:
            self.assertEqual(self.font["hmtx"][ours[code]], self.source["hmtx"][theirs[code]],
                             "U+%04X" % code)
        self.assertIn("GPOS", self.font)  # kerning stays

    def test_is_small_and_unhinted(self):
        self.assertLess(os.path.getsize(self.path), 40 * 1024)
        self.assertNotIn("fpgm", self.font)
        self.assertNotIn("prep", self.font)


if __name__ == "__main__":
    unittest.main()
