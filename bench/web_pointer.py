"""A moving mouse in the browser: the page's main-thread share while the mouse moves over
the quiz's canvas, against the same moves over the list of quizzes, a page where no
program runs.

    /usr/bin/python3 bench/web_pointer.py [--web-dir build-web] [--before-web-dir DIR]
                                          [--seconds 5]

Build the site first with scripts/web. The moves are CDP Input.dispatchMouseEvent
"mouseMoved" events, MOVES_PER_SECOND of them, 20 CSS pixels to and fro around the
middle of the canvas (on the list page, the same point of the window). The share is the
renderer main thread's task time (DevTools Performance.getMetrics, TaskDuration) over
the moves, of one core. Target: the quiz's home and question screens at most one point
above the list page. With --before-web-dir, an earlier build's site is measured in the
same run.
"""

import argparse
import os
import sys
import time

import web_harness

MOVES_PER_SECOND = 60
STEP = 20  # CSS pixels each move goes sideways

CANVAS_MIDDLE = """
var r = document.getElementById('canvas').getBoundingClientRect();
return [r.left + r.width / 2, r.top + r.height / 2];
"""


def _moving_share(page, seconds, x, y):
    """The renderer main thread's busy share of one core while the mouse moves to and fro
    around (x, y) for `seconds`."""
    page.cdp("Performance.enable", timeDomain="threadTicks")
    before = web_harness.task_seconds(page)
    start = time.monotonic()
    moves = int(seconds * MOVES_PER_SECOND)
    for k in range(moves):
        pause = start + k / MOVES_PER_SECOND - time.monotonic()
        if pause > 0:
            time.sleep(pause)
        page.cdp("Input.dispatchMouseEvent", type="mouseMoved",
                 x=x + (STEP if k % 2 == 0 else -STEP), y=y)
    busy = web_harness.task_seconds(page) - before
    return busy / (time.monotonic() - start)


def pointer_shares(site, path, seconds):
    """(list page, home screen, question screen) busy shares under the moving mouse."""
    with web_harness.fresh_visit(site) as (server, driver, page):
        driver.get(server.url + path)
        web_harness.wait_for_first_frame(page)
        x, y = driver.execute_script(CANVAS_MIDDLE)
        time.sleep(0.5)  # lets the page finish what followed its first frame; not timed
        home = _moving_share(page, seconds, x, y)
        page.press("space")
        time.sleep(0.5)  # lets the question screen settle; nothing is timed here
        question = _moving_share(page, seconds, x, y)

        driver.get(server.url + "index.html")
        page.wait_for(lambda: driver.execute_script(
            "return document.readyState === 'complete'"), "the list of quizzes")
        time.sleep(0.5)
        listing = _moving_share(page, seconds, x, y)
        return listing, home, question


def report(label, shares):
    """One line of figures against the target."""
    listing, home, question = shares
    worst = max(home, question) - listing
    return ("%s: main thread busy under %d mouse moves a second: list page %.2f %%, home"
            " screen %.2f %%, question screen %.2f %% (target: the quiz at most 1 point above"
            " the list page; %+.2f points, %s)" % (
                label, MOVES_PER_SECOND, 100 * listing, 100 * home, 100 * question,
                100 * worst, "met" if worst <= 0.01 else "NOT met"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--web-dir", default=os.path.join(web_harness.HERE, "..", "build-web"))
    parser.add_argument("--before-web-dir", help="an earlier build's site, measured too")
    parser.add_argument("--url", help="the page under the site (see bench/web.py)")
    parser.add_argument("--seconds", type=float, default=5.0)
    args = parser.parse_args()
    sites = [("After", os.path.abspath(args.web_dir))]
    if args.before_web_dir:
        sites.insert(0, ("Before", os.path.abspath(args.before_web_dir)))
    for label, site in sites:
        if not os.path.exists(os.path.join(site, "index.html")):
            sys.exit("no %s/index.html: run scripts/web first" % site)
    print("load average %.1f" % os.getloadavg()[0])
    for label, site in sites:
        path = args.url or web_harness.default_path(site)
        print(report("%s (%s)" % (label, site), pointer_shares(site, path, args.seconds)),
              flush=True)


if __name__ == "__main__":
    main()
