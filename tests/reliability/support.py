"""Shared pieces of the reliability tests: the e2e harness (importable once this is),
timed endings and broken files."""

import io
import os
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import harness  # noqa: E402
from PIL import Image  # noqa: E402

# How long a run may take to end once nothing is left for it to wait for: after a
# failing start-up step, or after the key or the signal that ends it.
END_WITHIN = 3.0

# The error text that picture loading leaves for each kind of broken file, given the
# picture's path: SDL's own words for what SDL's loader fails on, and the program's for
# a picture over its budget, which SDL never reads.
LOAD_ERRORS = {
    "truncated": lambda path: "Error reading from datastream",
    "garbage": lambda path: "File is not a Windows BMP file",
    "huge": lambda path: path + " is not a picture this program can show",
}


def load_error(kind, path):
    """What SDL_GetError() says after loading the picture at `path`, broken as `kind`."""
    return LOAD_ERRORS[kind](path)


class ReliabilityCase(harness.MolvaneCase):
    """A harness case that writes broken data files and times how runs end."""

    def write_data(self, name, data):
        """Writes `data` (bytes) as data/<name>; `name` may be bytes too."""
        folder = os.fsencode(os.path.join(self.workdir, "data"))
        with open(os.path.join(folder, os.fsencode(name)), "wb") as out:
            out.write(data)

    def assertEndsWithin(self, run, expected, since, what):
        """The run ends with status 1 and exactly `expected`, END_WITHIN seconds after `since`

        (a time.monotonic() taken before `what`, the start or the last thing done to it).
        """
        status, output = run.finish()
        took = time.monotonic() - since
        self.assertEqual(output, expected)
        self.assertEqual(status, 1)
        self.assertLessEqual(took, END_WITHIN, "the run took %.2f s to end after %s" % (took, what))

    def assertFailsWithin(self, expected):
        """Starting the program, it ends by itself, with status 1 and exactly `expected`, in time."""
        since = time.monotonic()
        run = self.launch(window=False)
        self.assertEndsWithin(run, expected, since, "its start")


def bmp_bytes(size, colour):
    """A whole 24-bit BMP file of one colour."""
    out = io.BytesIO()
    Image.new("RGB", size, colour).save(out, "BMP")
    return out.getvalue()


def truncated_bmp(size, colour):
    """A well-formed BMP file cut off halfway through its pixels."""
    whole = bmp_bytes(size, colour)
    return whole[:len(whole) // 2]


def garbage_bytes(length=4096, seed=7):
    """Bytes that are no picture at all (they start with anything but "BM")."""
    state = seed
    out = bytearray()
    while len(out) < length:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((state >> 16) & 0xFF)
    out[0:2] = b"GZ"
    return bytes(out)


def huge_bmp(width=65535, height=65535, bits=32, pixel_bytes=4096):
    """A BMP header declaring a picture of many gigabytes, over a few bytes of pixels."""
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 2835, 2835, 0, 0)
    pixels = bytes(pixel_bytes)
    header = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


BROKEN_PICTURES = {
    "truncated": lambda size: truncated_bmp(size, (90, 90, 90)),
    "garbage": lambda size: garbage_bytes(),
    "huge": lambda size: huge_bmp(),
}


def main():
    harness.main()
