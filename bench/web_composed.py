"""A composed quiz's first visit against a lesson's: the link of a lesson's molecules
(index.html?m=CODE&style=uk&title=..., see site/composed_link.js) and the lesson itself,
each on a fresh profile, alternately."""

import json
import os
import statistics
import sys

import web_harness
import web_load

sys.path.insert(0, os.path.join(web_harness.HERE, "..", "tools"))
import quiz_link  # noqa: E402

LESSON = "alkanes"
TARGET_RATIO = 1.1


def composed_path(site, lesson=LESSON):
    """The composed link of every molecule of lesson in the site's bank, or None for a
    site without a bank; and the number of molecules."""
    path = os.path.join(site, "bank", "index.json")
    if not os.path.exists(path):
        return None, 0
    with open(path, encoding="utf-8") as source:
        ids = sorted(m["id"] for m in json.load(source)["molecules"] if m["lesson"] == lesson)
    return quiz_link.composed_href(ids, "uk", "Composed %s" % lesson), len(ids)


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
