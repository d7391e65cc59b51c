"""Run-length encoded 8-bit BMP files (BI_RLE8) for the quiz's pictures.

The coding is the plain, complete form: rows bottom up, every row ends with
an end-of-line escape, the file ends with end-of-bitmap, and there are no
delta escapes. Repeated pixels become encoded runs; stretches of differing
pixels become absolute runs where those are shorter.
"""

import struct

import numpy as np

MAX_RUN = 255


def _runs(row):
    """(value, length) for each stretch of equal pixels in `row`."""
    starts = np.flatnonzero(np.concatenate(([True], row[1:] != row[:-1])))
    lengths = np.diff(np.append(starts, row.size))
    return zip(row[starts].tolist(), lengths.tolist())


def _literal(out, pixels):
    """Stretch of pixels that do not repeat enough to be worth a run."""
    while pixels:
        chunk, pixels = pixels[:MAX_RUN], pixels[MAX_RUN:]
        if len(chunk) >= 3:
            # Absolute mode: 0, count, the pixels, padded to an even length.
            out += bytes((0, len(chunk))) + bytes(chunk)
            if len(chunk) % 2:
                out.append(0)
        else:
            # Counts 1 and 2 after a 0 are escapes, so short stretches are runs.
            for value in chunk:
                out += bytes((1, value))


def encode_row(row):
    """One row's pixel indices (a numpy uint8 array) as RLE8 codes, end-of-line included."""
    out, pending = bytearray(), []
    for value, length in _runs(row):
        if length <= 2:
            # Two equal pixels cost two bytes either way; in a literal they
            # save the literal from being split.
            pending += [value] * length
            continue
        _literal(out, pending)
        pending = []
        while length:
            count = min(length, MAX_RUN)
            out += bytes((count, value))
            length -= count
    _literal(out, pending)
    out += b"\x00\x00"
    return out


def _used_palette(image):
    """The pixel indices renumbered to the colours in use, in palette order, and
    those colours' palette entries (r, g, b)."""
    pixels = np.asarray(image, dtype=np.uint8)
    used = np.unique(pixels)
    renumber = np.zeros(256, dtype=np.uint8)
    renumber[used] = np.arange(used.size, dtype=np.uint8)
    palette = list(image.getpalette()[:768])
    palette += [0] * (768 - len(palette))
    colours = [tuple(palette[3 * k:3 * k + 3]) for k in used.tolist()]
    return renumber[pixels], colours


def bmp_bytes(image):
    """A palettised PIL image as an RLE8 BMP file whose palette holds just the colours
    the picture uses (biClrUsed says how many)."""
    if image.mode != "P":
        raise ValueError("RLE8 needs a palettised image")
    width, height = image.size
    pixels, palette = _used_palette(image)
    data = bytearray()
    for y in range(height - 1, -1, -1):     # BMP rows run bottom up
        data += encode_row(pixels[y])
    data += b"\x00\x01"
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data),
                              2835, 2835, len(palette), 0)
    return file_header + info_header + colours + bytes(data)
