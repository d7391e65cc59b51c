"""Takes the phone screenshot of the browser build for the documentation.

Usage: /usr/bin/python3 tests/web/phone_screenshot.py [--web-dir DIR] [--out PNG]

Serves the site that scripts/web built (default build-web/) and opens its mixed quiz in
headless Chromium's phone emulation, 390 x 844 CSS pixels with touch; taps a few letters
of an answer on the on-screen keyboard, Shift latched for the capital, and writes the
screen as it then shows (default docs/screenshots/phone-question.png).
"""

import argparse
import base64
import os

from PIL import ImageChops

import webharness

TYPED = "Metha"


def tap_and_wait(page, key):
    """Taps key and waits until the canvas shows something new."""
    before = page.canvas()
    page.tap(key)
    page.wait_for(lambda: ImageChops.difference(page.canvas(), before).getbbox() is not None,
                  "the canvas to change after %r" % key)


def main():
    root = webharness.repo_root()
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--web-dir", default=os.path.join(root, "build-web"))
    parser.add_argument("--out", default=os.path.join(root, "docs", "screenshots",
                                                      "phone-question.png"))
    args = parser.parse_args()

    server = webharness.Server(os.path.abspath(args.web_dir))
    driver = webharness.start_browser()
    try:
        webharness.emulate_phone(driver, 390, 844, scale=1)
        page = webharness.Page(driver, server.url + "index.html?quiz=mixed")
        page.wait_for(lambda: driver.execute_script(
            "return performance.getEntriesByName('molvane-first-frame').length > 0"),
            "the home screen")
        tap_and_wait(page, "x")
        page.tap("Shift")
        for char in TYPED:
            tap_and_wait(page, char.lower())
        shot = page.cdp("Page.captureScreenshot", format="png")
        with open(args.out, "wb") as png:
            png.write(base64.b64decode(shot["data"]))
    finally:
        webharness.stop_browser(driver)
        server.close()
    print("Wrote", args.out)


if __name__ == "__main__":
    main()
