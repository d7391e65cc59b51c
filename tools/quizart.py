"""Pictures for a Molvane quiz: molecule depictions, the five fixed screens
and the program icon.

Everything here is deterministic: the same input always gives the same
pixels, so a rebuilt quiz is byte-identical to the previous one.

The screens are drawn to compress well in RLE8 runs, since the browser build
fetches them on every first visit: flat areas without fine texture, and edges
smoothed by averaging the 2x supersampled drawing (at most five shades where
two colours meet, with no ringing halo), so that each row holds few runs.
"""

import io
import math

from PIL import Image, ImageDraw, ImageFont

try:
    import numpy as np
    from rdkit import Chem
    from rdkit.Chem import rdDepictor
    from rdkit.Chem.Draw import rdMolDraw2D
except ImportError:  # the icon needs Pillow alone (scripts/web installs no more)
    np = Chem = rdDepictor = rdMolDraw2D = None

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"

SCREEN_SIZE = (800, 600)
# The program draws a molecule picture at the top centre of the answer
# screen; the prompt line is centred on y=375, so pictures stay above it.
MAX_PICTURE_SIZE = (800, 340)
PICTURE_HEIGHT = 300
PICTURE_MARGIN = 24
PICTURE_MIN_WIDTH = 160

# Colours shared by the screens and the molecule pictures.
PAPER = (244, 247, 250)        # answer-screen background, molecule backdrop
WHITE = (255, 255, 255)
INK = (33, 37, 41)
GREY = (108, 117, 125)
FAINT = (222, 228, 236)
NAVY = (27, 38, 64)
TEAL = (22, 160, 143)
TEAL_LIGHT = (120, 214, 200)
AMBER = (242, 169, 59)
GREEN = (40, 160, 90)
GREEN_DARK = (24, 110, 60)
GREEN_WASH = (233, 246, 238)
CORAL = (214, 76, 66)
CORAL_DARK = (160, 48, 40)
CORAL_WASH = (251, 236, 234)

# Heteroatom colours, darker than RDKit's defaults so they read well on PAPER.
ATOM_COLOURS = {
    7: (0.10, 0.25, 0.85),   # N
    8: (0.85, 0.10, 0.10),   # O
    9: (0.20, 0.55, 0.10),   # F
    15: (0.85, 0.45, 0.00),  # P
    16: (0.75, 0.60, 0.00),  # S
    17: (0.05, 0.55, 0.05),  # Cl
    35: (0.60, 0.15, 0.10),  # Br
    53: (0.50, 0.00, 0.60),  # I
}

SUPERSAMPLE = 2
MOLECULE_COLOURS = 32


# ---------------------------------------------------------------- palette --

def to_palette(img, exact=(), colours=256):
    """Convert to an 8-bit palettised image of at most `colours` colours.

    Colours listed in `exact` keep their precise value: every pixel of that
    colour gets a palette entry of its own, so flat areas such as the
    backdrop match other pictures to the last bit.
    """
    rgb = img.convert("RGB")
    exact = [tuple(c) for c in exact]
    free = colours - len(exact)
    quantised = rgb.quantize(colors=free, method=Image.Quantize.MEDIANCUT,
                             dither=Image.Dither.NONE)
    indices = np.array(quantised, dtype=np.uint8)
    palette = list(quantised.getpalette()[:3 * free])
    palette += [0] * (3 * free - len(palette))
    pixels = np.asarray(rgb)
    for k, colour in enumerate(exact):
        index = free + k
        indices[np.all(pixels == colour, axis=2)] = index
        palette += list(colour)
    out = Image.fromarray(indices, "P")
    out.putpalette(palette)
    return out


# ------------------------------------------------------------- molecules --

def molecule_picture(mol, backdrop=PAPER):
    """Draw `mol` as a skeletal formula on a plain backdrop.

    The molecule is centred on x = width / 2 and y = PICTURE_HEIGHT / 2; the
    picture is cut just below the molecule and just wide enough for it, plus
    a margin. No name or legend is drawn.
    """
    mol = Chem.Mol(mol)
    rdDepictor.SetPreferCoordGen(False)
    rdDepictor.Compute2DCoords(mol)
    canvas_w, canvas_h = MAX_PICTURE_SIZE[0], PICTURE_HEIGHT
    drawer = rdMolDraw2D.MolDraw2DCairo(canvas_w, canvas_h)
    opts = drawer.drawOptions()
    opts.setBackgroundColour(tuple(c / 255 for c in backdrop) + (1.0,))
    opts.fixedBondLength = 50
    opts.bondLineWidth = 3
    opts.scaleBondWidth = False
    opts.explicitMethyl = True
    opts.minFontSize = 24
    opts.maxFontSize = 24
    opts.padding = 0.08
    opts.updateAtomPalette(ATOM_COLOURS)
    drawer.DrawMolecule(mol)
    drawer.FinishDrawing()
    rgb = Image.open(io.BytesIO(drawer.GetDrawingText())).convert("RGB")

    # Crop the sides to the drawn molecule, keeping it centred, and cut the
    # empty space below it.
    ink = np.any(np.asarray(rgb) != backdrop, axis=2)
    columns = np.flatnonzero(ink.any(axis=0))
    rows = np.flatnonzero(ink.any(axis=1))
    centre = canvas_w // 2
    half = max(centre - columns[0], columns[-1] + 1 - centre) if columns.size else 0
    half = min(max(half + PICTURE_MARGIN, PICTURE_MIN_WIDTH // 2), centre)
    bottom = rows[-1] + 1 + PICTURE_MARGIN if rows.size else canvas_h // 2
    bottom = min(max(bottom, canvas_h // 2), canvas_h)
    rgb = rgb.crop((centre - half, 0, centre + half, bottom))
    # A few dozen shades draw the lines and labels as well as 256 do, and fewer
    # shades on the edges leave longer runs for RLE8.
    return to_palette(rgb, exact=[backdrop], colours=MOLECULE_COLOURS)


# --------------------------------------------------------------- drawing --

class Canvas:
    """A supersampled RGB drawing surface with DejaVu text helpers."""

    def __init__(self, size, fill):
        self.size = size
        self.s = SUPERSAMPLE
        self.img = Image.new("RGB", (size[0] * self.s, size[1] * self.s), fill)
        self.draw = ImageDraw.Draw(self.img)

    def font(self, size, bold=False):
        name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
        return ImageFont.truetype(FONT_DIR + name, size * self.s)

    def _xy(self, points):
        return [(x * self.s, y * self.s) for x, y in points]

    def text(self, xy, text, size, fill, bold=False, anchor="mm"):
        x, y = xy
        self.draw.text((x * self.s, y * self.s), text, font=self.font(size, bold),
                       fill=fill, anchor=anchor)

    def text_width(self, text, size, bold=False):
        return self.draw.textlength(text, font=self.font(size, bold)) / self.s

    def wrap(self, text, size, width, bold=False):
        lines, line = [], ""
        for word in text.split():
            trial = (line + " " + word).strip()
            if line and self.text_width(trial, size, bold) > width:
                lines.append(line)
                line = word
            else:
                line = trial
        if line:
            lines.append(line)
        return lines

    def rounded(self, box, radius, fill=None, outline=None, width=1):
        x0, y0, x1, y1 = box
        self.draw.rounded_rectangle(
            (x0 * self.s, y0 * self.s, x1 * self.s, y1 * self.s),
            radius=radius * self.s, fill=fill, outline=outline, width=width * self.s)

    def circle(self, centre, radius, fill=None, outline=None, width=1):
        cx, cy = centre
        r = radius
        self.draw.ellipse(((cx - r) * self.s, (cy - r) * self.s,
                           (cx + r) * self.s, (cy + r) * self.s),
                          fill=fill, outline=outline, width=width * self.s)

    def line(self, points, fill, width):
        self.draw.line(self._xy(points), fill=fill, width=round(width * self.s),
                       joint="curve")
        # Round caps, which PIL lines lack.
        for x, y in (points[0], points[-1]):
            self.circle((x, y), width / 2, fill=fill)

    def polygon(self, points, fill):
        self.draw.polygon(self._xy(points), fill=fill)

    def result(self):
        """The drawing at its own size, each pixel the average of the samples it
        covers: edges get a few shades and flat areas stay one colour."""
        return self.img.resize(self.size, Image.BOX)


def hexagon_points(centre, radius, rotation=30.0):
    cx, cy = centre
    return [(cx + radius * math.cos(math.radians(rotation + 60 * k)),
             cy + radius * math.sin(math.radians(rotation + 60 * k)))
            for k in range(6)]


def benzene(canvas, centre, radius, colour, width, inner=True):
    """A benzene ring in Kekulé style: hexagon plus three inner double bonds."""
    pts = hexagon_points(centre, radius)
    for k in range(6):
        canvas.line([pts[k], pts[(k + 1) % 6]], colour, width)
    if inner:
        cx, cy = centre
        shrink = 0.72
        inner_pts = [(cx + (x - cx) * shrink, cy + (y - cy) * shrink) for x, y in pts]
        for k in (0, 2, 4):
            a, b = inner_pts[k], inner_pts[(k + 1) % 6]
            # Shorten the inner bond a little at both ends.
            ax, ay = a[0] + (b[0] - a[0]) * 0.12, a[1] + (b[1] - a[1]) * 0.12
            bx, by = b[0] + (a[0] - b[0]) * 0.12, b[1] + (a[1] - b[1]) * 0.12
            canvas.line([(ax, ay), (bx, by)], colour, width)


# ---------------------------------------------------------------- screens --

DEFAULT_NAMING_RULE = ("Type the IUPAC name in lower case, like propan-2-ol, "
                       "then press Enter.")
# Where and how the home screen's topic line is drawn: centred on this point, in
# DejaVu Sans Bold of this size, in AMBER. site/composed.js draws it the same way.
TOPIC_LINE = {"centre": (400, 168), "size": 26}

EXACT_NAMING_RULE = ("Type the name exactly as taught, capital letters "
                     "included, then press Enter.")


def home_screen(naming_rule=DEFAULT_NAMING_RULE, topic=None):
    """The home screen; `topic`, such as "Alcohols · 10 molecules", takes the
    place of the subtitle; an empty `topic` leaves that place blank, for a page
    that draws the line itself (see TOPIC_LINE)."""
    c = Canvas(SCREEN_SIZE, NAVY)

    # Title: a benzene ring followed by the name, centred as one group.
    ring, gap = 40, 22
    group = 2 * ring + gap + c.text_width("Molvane", 80, bold=True)
    left = 400 - group / 2
    benzene(c, (left + ring, 100), ring, TEAL_LIGHT, 5)
    c.text((left + 2 * ring + gap, 100), "Molvane", 80, WHITE, bold=True, anchor="lm")
    if topic:
        c.text(TOPIC_LINE["centre"], topic, TOPIC_LINE["size"], AMBER, bold=True)
    elif topic is None:
        c.text((420, 168), "Name the molecule on the screen", 24, TEAL_LIGHT)

    card = (70, 210, 730, 520)
    c.rounded(card, 18, fill=PAPER)
    rules = [
        "A molecule is shown on the screen.",
        naming_rule,
        "A wrong answer? The same molecule is asked again.",
        "Backspace deletes a letter. Esc quits at any time.",
    ]
    text_x = card[0] + 80
    line_h, rule_gap = 28, 30
    wrapped = []
    for number, rule in enumerate(rules, 1):
        bold = number == 2
        wrapped.append((number, bold, c.wrap(rule, 20, card[2] - text_x - 30, bold)))
    height = sum(line_h * len(lines) for _, _, lines in wrapped) + rule_gap * (len(rules) - 1)
    y = (card[1] + card[3]) / 2 - height / 2 + line_h / 2
    for number, bold, lines in wrapped:
        c.circle((card[0] + 44, y), 17, fill=TEAL)
        c.text((card[0] + 44, y + 1), str(number), 18, WHITE, bold=True)
        for k, line in enumerate(lines):
            c.text((text_x, y + k * line_h), line, 20, INK, bold=bold, anchor="lm")
        y += line_h * len(lines) + rule_gap

    c.text((400, 565), "Press any key to start", 26, AMBER, bold=True)
    return to_palette(c.result())


def background_screen():
    """The answer screen's backdrop.

    The top holds the molecule picture and is plain PAPER; the prompt row
    (y=375) is plain too; the typed line (y=450) sits in a white entry box.
    """
    c = Canvas(SCREEN_SIZE, PAPER)
    c.rounded((60, 418, 740, 482), 14, fill=WHITE, outline=FAINT, width=2)
    c.line([(160, 532), (640, 532)], FAINT, 2)
    c.text((400, 562), "Enter answers   \u00b7   Backspace deletes   \u00b7   Esc quits",
           17, GREY)
    return to_palette(c.result(), exact=[PAPER])


def _verdict_screen(wash, accent, accent_dark, title, lines, symbol):
    c = Canvas(SCREEN_SIZE, wash)
    c.circle((400, 190), 92, fill=accent)
    symbol(c, (400, 190))
    c.text((400, 345), title, 60, accent_dark, bold=True)
    for k, (line, size, colour, bold) in enumerate(lines):
        c.text((400, 420 + k * 48), line, size, colour, bold=bold)
    c.text((400, 568), "Esc quits", 17, GREY)
    return to_palette(c.result())


def _tick(c, centre):
    cx, cy = centre
    c.line([(cx - 44, cy + 2), (cx - 14, cy + 34), (cx + 46, cy - 32)], WHITE, 18)


def _cross(c, centre):
    cx, cy = centre
    c.line([(cx - 36, cy - 36), (cx + 36, cy + 36)], WHITE, 18)
    c.line([(cx - 36, cy + 36), (cx + 36, cy - 36)], WHITE, 18)


def correct_screen():
    return _verdict_screen(
        GREEN_WASH, GREEN, GREEN_DARK, "Correct!",
        [("Press a key for the next molecule", 28, INK, True)], _tick)


def incorrect_screen():
    return _verdict_screen(
        CORAL_WASH, CORAL, CORAL_DARK, "Not quite",
        [("Press a key to try again", 28, INK, True),
         ("Check the numbers, hyphens, commas and spaces.", 20, GREY, False)],
        _cross)


def last_screen():
    c = Canvas(SCREEN_SIZE, NAVY)
    # A naphthalene-like pair of rings with a star: the quiz is done.
    half = 62 * math.sqrt(3) / 2
    benzene(c, (400 - half, 170), 62, TEAL_LIGHT, 7)
    benzene(c, (400 + half, 170), 62, TEAL_LIGHT, 7, inner=False)
    star = []
    for k in range(10):
        r = 26 if k % 2 == 0 else 11
        a = math.radians(-90 + 36 * k)
        star.append((400 + half + r * math.cos(a), 170 + r * math.sin(a)))
    c.polygon(star, AMBER)
    c.text((400, 310), "Quiz complete!", 60, WHITE, bold=True)
    c.text((400, 380), "You named every molecule. Well done!", 26, TEAL_LIGHT)
    c.text((400, 520), "Press any key to finish", 28, AMBER, bold=True)
    return to_palette(c.result())


def shared_screens():
    """The four fixed pictures that are the same in every quiz, by file name."""
    return {
        "background.bmp": background_screen(),
        "correct.bmp": correct_screen(),
        "incorrect.bmp": incorrect_screen(),
        "last.bmp": last_screen(),
    }


# ------------------------------------------------------------------- icon --

def icon(size=256):
    """The program icon: a benzene ring around a bold M on a navy tile."""
    c = Canvas((size, size), (0, 0, 0))
    c.img = Image.new("RGBA", c.img.size, (0, 0, 0, 0))
    c.draw = ImageDraw.Draw(c.img)
    unit = size / 256
    c.rounded((8 * unit, 8 * unit, 248 * unit, 248 * unit), 44 * unit, fill=NAVY + (255,))
    benzene(c, (128 * unit, 128 * unit), 92 * unit, TEAL_LIGHT + (255,), 12 * unit)
    for k, (x, y) in enumerate(hexagon_points((128 * unit, 128 * unit), 92 * unit)):
        if k in (1, 4):
            c.circle((x, y), 14 * unit, fill=AMBER + (255,))
    c.text((128 * unit, 132 * unit), "M", round(84 * unit), WHITE + (255,), bold=True)
    return c.img.resize((size, size), Image.LANCZOS)
