"""Generates a data/ folder for one end-to-end run.

Every picture is one solid colour, so that a single pixel of a screenshot tells which
screen, and which molecule, the window shows.
"""

import os
import shutil

from PIL import Image

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

BACKGROUND = (230, 230, 230)   # the answer screen; the text on it is black
HOME = (250, 200, 40)
CORRECT = (40, 180, 60)
INCORRECT = (200, 40, 40)
LAST = (60, 80, 220)

MOLECULE_COLOURS = [
    (0, 128, 128), (128, 0, 128), (255, 128, 0), (0, 64, 0), (255, 0, 255),
    (128, 64, 0), (0, 255, 255), (64, 0, 255), (160, 160, 0), (255, 160, 192),
    (0, 0, 96), (96, 255, 96), (192, 64, 64), (64, 192, 255), (128, 128, 255),
    (255, 255, 96),
]

FIXED_PICTURES = {
    "background.bmp": BACKGROUND,
    "correct.bmp": CORRECT,
    "incorrect.bmp": INCORRECT,
    "last.bmp": LAST,
    "Homescreen.bmp": HOME,
}
FONT_FILE = "nsecthck.ttf"
LIST_FILE = "Molecule List.txt"

# Keycodes of Xvfb's default keymap, for keys whose keysym xdotool would reach by
# toggling Num Lock itself.
KEYCODES = {
    "KP_0": "90", "KP_1": "87", "KP_2": "88", "KP_3": "89", "KP_4": "83",
    "KP_5": "84", "KP_6": "85", "KP_7": "79", "KP_8": "80", "KP_9": "81",
    "KP_Decimal": "91", "KP_Divide": "106", "KP_Multiply": "63",
    "KP_Subtract": "82", "KP_Add": "86", "KP_Enter": "104",
    "Num_Lock": "77", "Caps_Lock": "66", "Shift_L": "50", "Shift_R": "62",
}

_PUNCTUATION = {" ": "space", "-": "minus", ",": "comma", ".": "period", "/": "slash",
                "+": KEYCODES["KP_Add"]}


def keys_for(text):
    """xdotool key arguments that type `text` (capitals with the left Shift)."""
    keys = []
    for char in text:
        if "a" <= char <= "z" or "0" <= char <= "9":
            keys.append(char)
        elif "A" <= char <= "Z":
            keys.append("shift+" + char.lower())
        elif char in _PUNCTUATION:
            keys.append(_PUNCTUATION[char])
        else:
            raise ValueError("no key types %r" % char)
    return keys


def write_bmp(path, size, colour):
    Image.new("RGB", size, colour).save(path, "BMP")


def make_data(folder, names=(), count=None, list_text=None, omit=(),
              picture_size=(200, 200)):
    """Writes the font, the fixed pictures, the list and one picture per name.

    count: the list's first line (default: the number of names);
    list_text: the whole list file instead of one built from count and names;
    omit: file names (relative to data/) to leave out.
    Returns {name: colour of its picture}.
    """
    os.makedirs(folder, exist_ok=True)
    if FONT_FILE not in omit:
        shutil.copy(FONT, os.path.join(folder, FONT_FILE))
    for file_name, colour in FIXED_PICTURES.items():
        if file_name not in omit:
            write_bmp(os.path.join(folder, file_name), (800, 600), colour)
    if list_text is None:
        first = len(names) if count is None else count
        list_text = "%s\n" % first + "".join(name + "\n" for name in names)
    if LIST_FILE not in omit:
        with open(os.path.join(folder, LIST_FILE), "w", newline="") as listing:
            listing.write(list_text)
    colours = {}
    for index, name in enumerate(names):
        colour = MOLECULE_COLOURS[index % len(MOLECULE_COLOURS)]
        colours[name] = colour
        if name + ".bmp" not in omit:
            # A "/" in a name puts its picture in a sub-folder.
            path = os.path.join(folder, name + ".bmp")
            os.makedirs(os.path.dirname(path), exist_ok=True)
            write_bmp(path, picture_size, colour)
    return colours


def name_of(colours, colour):
    """The molecule whose picture has `colour`."""
    return next(name for name, shown in colours.items() if shown == colour)
