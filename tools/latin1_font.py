"""Writes the Latin-1 part of a TrueType font, for the browser build.

    /usr/bin/python3 tools/latin1_font.py [--keep-hinting] [SOURCE] OUTPUT

SOURCE is DejaVu Sans by default. The program renders only Latin-1 text (SDL_ttf's
TTF_RenderText_Solid), so the subset keeps the printable ASCII and Latin-1 characters
(U+0020-U+007E, U+00A0-U+00FF), the .notdef glyph and the layout features that the
browser applies to them (kerning, for one), and drops the hinting instructions, which
the browser's canvas does not need to draw the same text. DejaVu Sans shrinks from
757 KB to about 20 KB. Needs Debian's python3-fonttools.
"""

import argparse
import sys

from fontTools import subset

DEFAULT_SOURCE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
LATIN1 = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))


def subset_options(keep_hinting=False):
    """The subsetter's options: Latin-1 text drawn as before, nothing else kept."""
    options = subset.Options()
    options.notdef_glyph = True
    options.notdef_outline = True
    options.recommended_glyphs = True
    options.hinting = keep_hinting
    options.desubroutinize = True
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6, 13, 14]  # copyright, names, version, licence
    options.name_languages = [0x409]
    options.drop_tables += ["FFTM", "DSIG", "MATH"]
    return options


def write_latin1_font(source, output, keep_hinting=False):
    """Writes the Latin-1 subset of the font file at source to output."""
    options = subset_options(keep_hinting)
    font = subset.load_font(source, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=LATIN1)
    subsetter.subset(font)
    subset.save_font(font, output, options)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--keep-hinting", action="store_true",
                        help="keep the TrueType hinting instructions")
    parser.add_argument("paths", nargs="+", metavar="[SOURCE] OUTPUT")
    args = parser.parse_args(argv)
    if len(args.paths) > 2:
        parser.error("at most a source and an output")
    source = args.paths[0] if len(args.paths) == 2 else DEFAULT_SOURCE
    write_latin1_font(source, args.paths[-1], args.keep_hinting)
    return 0


if __name__ == "__main__":
    sys.exit(main())
