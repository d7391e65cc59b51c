#!/usr/bin/python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small files of every shape the targets should start from: the list
formats the quiz meets, and one BMP file of each header layout, pixel depth and
compression that SDL reads, pictures at and over the budget the program allows, and
a few broken ones. Run it again after changing it;
it rewrites the folders whole.
"""

import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))

LISTS = {
    "plain": b"3\nwater\nethanol\npropan-2-ol\n",
    "crlf": b"2\r\nmethane\r\nethane\r\n",
    "no-final-newline": b"2\nmethane\nethane",
    "count-only": b"2\n",
    "empty": b"",
    "zero": b"0\nwater\n",
    "negative": b"-5\nwater\n",
    "hexadecimal": b"0x1A\nwater\n",
    "nan": b"nan\nwater\n",
    "infinity": b"-inf\nwater\n",
    "too-large-for-int": b"1e12\nwater\n",
    "just-beyond-int": b"2147483648\nwater\n",
    "above-limit": b"600\nwater\n",
    "at-limit": b"500\n" + b"".join(b"m%d\n" % k for k in range(500)),
    "fraction-and-text": b"  2.9 molecules\nwater\nethanol\n",
    "exponent": b"+.2e1\nwater\nethanol\n",
    "spaces-kept": b"2\n methane  \nbutan-2-ol \n",
    "high-bytes": b"2\n\xe9thanol\n\xff\xfe\x80\n",
    "stray-carriage-returns": b"3\n\rone\r\r\ntwo\rthree\nfour\r",
    "nul-bytes": b"2\x005\nwa\x00ter\n\x00\n",
}


def bmp(width, height, bits, pixels, compression=0, palette=b"", colours_used=0,
        info_size=40, masks=b"", pixel_offset=None, file_size=None):
    """A BMP file with a BITMAPINFOHEADER (or a longer one, padded with masks)."""
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(pixels), 2835, 2835, colours_used, 0)
    info += masks
    info += bytes(info_size - len(info))
    offset = 14 + info_size + len(palette) if pixel_offset is None else pixel_offset
    body = info + palette + pixels
    size = 14 + len(body) if file_size is None else file_size
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + body


def rows(row_bytes, height, values=256):
    """Pixel rows padded to four bytes, with bytes below `values` that vary."""
    padded = (row_bytes + 3) // 4 * 4
    return b"".join(bytes((y * 31 + x * 7) % values for x in range(padded)) for y in range(height))


def grey_palette(count):
    return b"".join(bytes((k * 255 // max(count - 1, 1),) * 3 + (0,)) for k in range(count))


def bitmaps():
    rgb24 = bmp(3, 2, 24, rows(9, 2))
    yield "rgb24", rgb24
    yield "rgb24-top-down", bmp(3, -2, 24, rows(9, 2))
    yield "rgb16", bmp(3, 2, 16, rows(6, 2))
    yield "argb32-v4-header", bmp(2, 2, 32, rows(8, 2), compression=3, info_size=108,
                                  masks=struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    yield "rgb565-bitfields", bmp(3, 2, 16, rows(6, 2), compression=3, info_size=56,
                                  masks=struct.pack("<IIII", 0xF800, 0x7E0, 0x1F, 0))
    yield "palette8", bmp(4, 3, 8, rows(4, 3, 4), palette=grey_palette(4), colours_used=4)
    yield "palette4", bmp(3, 2, 4, rows(2, 2), palette=grey_palette(16))
    yield "palette1", bmp(9, 2, 1, rows(2, 2), palette=grey_palette(2))
    yield "palette2", bmp(5, 3, 2, rows(2, 3), palette=grey_palette(4))
    # Run-length coded: runs, a literal run, end of line, a skip and end of picture.
    rle8 = bytes([4, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 0, 2, 1, 0, 2, 2, 3, 0, 1])
    yield "rle8", bmp(4, 3, 8, rle8, compression=1, palette=grey_palette(4), colours_used=4)
    rle4 = bytes([4, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 1])
    yield "rle4", bmp(4, 2, 4, rle4, compression=2, palette=grey_palette(16))
    # Mostly blank: a skip far into the picture, and an end long before its last pixel.
    yield "rle8-mostly-skipped", bmp(400, 400, 8, bytes([3, 1, 0, 2, 200, 200, 4, 2, 0, 1]),
                                     compression=1, palette=grey_palette(4))
    yield "rle8-ends-early", bmp(4000, 4000, 8, bytes([5, 1, 0, 1]), compression=1,
                                 palette=grey_palette(4))
    yield "rgb24-bitfields", bmp(3, 2, 24, rows(9, 2), compression=3,
                                 palette=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF))
    yield "alpha-bitfields", bmp(3, 2, 32, rows(12, 2), compression=6,
                                 palette=struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    yield "pixels-at-offset-0", bmp(3, 2, 24, rows(9, 2), pixel_offset=0)
    # 1 and 4 bits a pixel, without the padding of the last row.
    yield "palette1-last-row-unpadded", bmp(9, 3, 1, rows(2, 3), palette=grey_palette(2))[:-2]
    yield "palette4-last-row-unpadded", bmp(5, 3, 4, rows(3, 3), palette=grey_palette(16))[:-1]
    # Sides beyond 8192: within the budget of 64 MiB a picture may have any shape.
    yield "wide-9000x1", bmp(9000, 1, 1, rows(1125, 1), palette=grey_palette(2))
    yield "tall-1x9000", bmp(1, 9000, 8, bytes([1, 1, 0, 1]), compression=1, palette=grey_palette(2))
    core = struct.pack("<IHHHH", 12, 2, 2, 1, 24)
    yield "os2-core-header", b"BM" + struct.pack("<IHHI", 14 + 12 + 16, 0, 0, 26) + core + rows(6, 2)
    yield "truncated-pixels", rgb24[:60]
    yield "truncated-header", rgb24[:30]
    # The budget: 4096 x 4096 at four bytes a pixel is the most SDL may allocate.
    yield "at-budget-few-bytes", bmp(4096, 4096, 32, rows(9, 2))
    yield "over-budget-few-bytes", bmp(4097, 4096, 8, rows(9, 2))
    yield "huge-sides", bmp(30000, 30000, 32, b"")
    yield "sides-product-overflows", bmp(0x7FFFFFFF, -0x80000000, 32, b"")
    yield "rle-claims-huge", bmp(8192, 8192, 8, rle8, compression=1, palette=grey_palette(4))
    yield "too-many-colours", bmp(4, 3, 8, rows(4, 3), palette=grey_palette(4), colours_used=100000)
    yield "offset-past-end", bmp(3, 2, 24, rows(9, 2), pixel_offset=4096)
    yield "size-field-lies", bmp(3, 2, 24, rows(9, 2), file_size=1 << 30)
    yield "not-a-bitmap", bytes((k * 73 + 11) & 0xFF for k in range(120))
    yield "png-signature", b"\x89PNG\r\n\x1a\n" + bytes(40)
    yield "builder-rle8", builder_rle8()


def builder_rle8():
    """A small picture as the quiz builder writes every picture: runs, literals, odd rows."""
    from PIL import Image
    import rle8

    image = Image.new("P", (37, 5), 0)
    image.putpalette([value for k in range(256) for value in (k, 255 - k, k // 2)])
    for x in range(37):
        image.putpixel((x, 1), x % 7)
        image.putpixel((x, 3), 200 if x > 30 else 0)
    return rle8.bmp_bytes(image)


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in seeds:
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    write("molecule_list", LISTS.items())
    write("bitmap", bitmaps())
