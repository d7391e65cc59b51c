"""Links to quizzes made of bank molecules, as the site's maker writes them
(site/composed_link.js): index.html?m=CODE&style=STYLE&title=TITLE, where CODE is the
bank IDs in order, the first and then the differences between neighbours, each as an
unsigned LEB128 number, the bytes in base64url without padding; and where t=TEXT, the
title's Latin-1 bytes in base64url, is shorter than title=TITLE, t=TEXT in its place."""

import base64
import urllib.parse


def leb128(number):
    """number (0 or more) as unsigned LEB128 bytes."""
    out = bytearray()
    while True:
        low, number = number & 127, number >> 7
        out.append(low | 128 if number else low)
        if not number:
            return bytes(out)


def code_of_bytes(data):
    """The link's text for the bytes data: base64url without padding."""
    return base64.urlsafe_b64encode(data).decode("ascii").rstrip("=")


def encode_ids(ids):
    """The CODE of a set of bank IDs."""
    ids = sorted(ids)
    return code_of_bytes(b"".join(leb128(b - a) for a, b in zip([0] + ids, ids)))


def title_parameter(title):
    """The shorter of title=TITLE and t=TEXT for title (printable Latin-1)."""
    plain = urllib.parse.quote_plus(title, safe="-_.!~*'()")
    packed = code_of_bytes(title.encode("latin-1"))
    return "t=" + packed if len(packed) < len(plain) else "title=" + plain


def composed_href(ids, style, title):
    """The address, below the site, of the quiz of bank IDs ids in style, titled title."""
    return "index.html?m=%s&style=%s&%s" % (encode_ids(ids), style, title_parameter(title))
