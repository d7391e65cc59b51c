"""A composed quiz's first visit against a lesson's: the link of a lesson's molecules
(index.html?m=CODE&style=uk&title=..., see site/composed_link.js) and the lesson itself,
each on a fresh profile, alternately."""

import base64
import json
import os
import statistics
import urllib.parse

import web_load

LESSON = "alkanes"
TARGET_RATIO = 1.1


def _leb128(number):
    out = bytearray()
    while True:
        low, number = number & 127, number >> 7
        out.append(low | 128 if number else low)
        if not number:
            return bytes(out)


def composed_path(site, lesson=LESSON):
    """The composed link of every molecule of lesson in the site's bank, or None for a
    site without a bank; and the number of molecules."""
    path = os.path.join(site, "bank", "index.json")
    if not os.path.exists(path):
        return None, 0
    with open(path, encoding="utf-8") as source:
        ids = sorted(m["id"] for m in json.load(source)["molecules"] if m["lesson"] == lesson)
    data = b"".join(_leb128(b - a) for a, b in zip([0] + ids, ids))
    code = base64.urlsafe_b64encode(data).decode("ascii").rstrip("=")
    title = urllib.parse.quote("Composed %s" % lesson)
    return "index.html?m=%s&style=uk&title=%s" % (code, title), len(ids)


def report(site, network, label, runs):
    """One line: the medians of both first visits on network and their ratio."""
    path, count = composed_path(site)
    if path is None:
        return "%s: not available (the site has no bank)" % label
    lesson, composed = [], []
    for _ in range(runs):
        lesson.append(web_load.first_visit(site, "index.html?quiz=" + LESSON, network)["ms"])
        composed.append(web_load.first_visit(site, path, network)["ms"])
    ratio = statistics.median(composed) / statistics.median(lesson)
    return ("%s: a composed %d-molecule quiz median %.0f ms, the lesson %.0f ms: %.2f times"
            " (target: at most %.1f times, %s)" % (
                label, count, statistics.median(composed), statistics.median(lesson), ratio,
                TARGET_RATIO, "met" if ratio <= TARGET_RATIO else "NOT met"))
