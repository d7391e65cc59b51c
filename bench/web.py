"""Measures the browser build of the bundled quiz in headless Chromium.

    /usr/bin/python3 bench/web.py [--web-dir build-web] [--runs 5] [--idle-seconds 5]

Build the folder first with scripts/web. Three figures, each against its target:
- first frame: from navigation to the first frame after the home screen is drawn (the
  page marks it as "molvane-first-frame"), served from 127.0.0.1; target at most 1 s;
- idle CPU: the renderer's main-thread task time (DevTools Performance.getMetrics,
  TaskDuration) over a few seconds while the home screen and then the question screen
  wait for a key, as a share of one core; target at most 1 %;
- transfer: every file of the folder compressed with gzip -9; target at most 1.5 MB.
"""

import argparse
import gzip
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "web"))
import webharness  # noqa: E402

FIRST_FRAME = """
var mark = performance.getEntriesByName('molvane-first-frame')[0];
return mark ? mark.startTime : null;
"""


def first_frame_ms(driver, url):
    page = webharness.Page(driver, url)
    return page.wait_for(lambda: driver.execute_script(FIRST_FRAME), "the first frame")


def task_seconds(page):
    metrics = page.cdp("Performance.getMetrics")["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "TaskDuration")


def idle_share(page, seconds):
    """The renderer's busy share of one core over `seconds` of waiting."""
    before = task_seconds(page)
    start = time.monotonic()
    time.sleep(seconds)
    busy = task_seconds(page) - before
    return busy / (time.monotonic() - start)


def transfer_bytes(folder):
    raw = packed = 0
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as source:
            data = source.read()
        raw += len(data)
        packed += len(gzip.compress(data, compresslevel=9))
    return raw, packed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--web-dir", default=os.path.join(HERE, "..", "build-web"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=float, default=5.0)
    args = parser.parse_args()
    folder = os.path.abspath(args.web_dir)
    if not os.path.exists(os.path.join(folder, "index.html")):
        sys.exit("no %s/index.html: run scripts/web first" % folder)

    server = webharness.Server(folder)
    driver = webharness.start_browser()
    try:
        url = server.url + "index.html"
        first_frame_ms(driver, url)  # warms the server and the browser's caches
        frames = [first_frame_ms(driver, url + "?run=%d" % run) for run in range(args.runs)]

        page = webharness.Page(driver, url)
        page.wait_for(lambda: driver.execute_script(FIRST_FRAME), "the home screen")
        page.cdp("Performance.enable", timeDomain="threadTicks")
        home = idle_share(page, args.idle_seconds)
        page.press("space")
        time.sleep(0.5)
        question = idle_share(page, args.idle_seconds)
    finally:
        webharness.stop_browser(driver)
        server.close()

    raw, packed = transfer_bytes(folder)
    print("First frame after navigation: median %.0f ms, worst %.0f ms over %d runs"
          " (target: at most 1000 ms)" % (statistics.median(frames), max(frames), len(frames)))
    print("Idle CPU while waiting for a key: home screen %.2f %%, question screen %.2f %%"
          " of a core (target: at most 1 %%)" % (home * 100, question * 100))
    print("Transfer: %.2f MB gzipped (%.2f MB as served without compression)"
          " (target: at most 1.5 MB gzipped)" % (packed / 1e6, raw / 1e6))


if __name__ == "__main__":
    main()
