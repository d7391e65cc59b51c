"""Measures the on-screen keyboard of the browser build in headless Chromium's phone
emulation (390 x 844, touch), on the bundled mixed quiz (index.html?quiz=mixed).

    /usr/bin/python3 bench/web_touch.py [--web-dir build-web] [--taps 30] [--idle-seconds 5]

Build the folder first with scripts/web. Two figures, each against its target:
- tap to frame: from a tap's touch start (CDP Input.dispatchTouchEvent at the key's
  centre; the event time of its pointerdown, which comes first) to the first frame after
  the canvas shows the letter, against the same letter typed as a key (CDP
  Input.dispatchKeyEvent) from its keydown; target: the tap at most one frame (17 ms)
  slower. Each is split into the browser's delivery of the input to the page's first
  listener, the page's own part up to the drawing, and the wait for the next frame;
- idle CPU: the renderer's main-thread task time (DevTools Performance.getMetrics,
  TaskDuration) while the home screen and then the question screen wait, with the
  keyboard shown, as a share of one core; target at most 1 %.
"""

import argparse
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "web"))
import webharness  # noqa: E402

PHONE = (390, 844)
LETTER = "e"

# Times each input from its start (the touch's or the physical key's event time) to the
# first frame after the program has drawn on the canvas.
WATCH_FRAMES = """
var canvas = document.getElementById('canvas');
var context = canvas.getContext('2d');
window.tapTiming = {start: null, frame: null};
function started(event) {
  if (event.isTrusted && tapTiming.start === null) {
    tapTiming.start = event.timeStamp;
    tapTiming.handled = performance.now();
  }
}
// A touch's pointerdown comes before its touchstart, with the same time.
window.addEventListener('pointerdown', started, true);
window.addEventListener('touchstart', started, true);
window.addEventListener('keydown', started, true);
['putImageData', 'drawImage'].forEach(function(name) {
  var draw = context[name];
  context[name] = function() {
    var result = draw.apply(this, arguments);
    if (tapTiming.start !== null && !tapTiming.drawn) {
      tapTiming.drawn = performance.now();
      // The frame's own time may lie before the input that its input phase handled.
      requestAnimationFrame(function() { tapTiming.frame = performance.now(); });
    }
    return result;
  };
});
"""

RESET = "window.tapTiming = {start: null, handled: null, drawn: null, frame: null};"
# [input to frame, input to first listener, first listener to drawing, drawing to frame],
# in milliseconds.
LATENCY = """
var t = tapTiming;
return t.frame === null ? null
    : [t.frame - t.start, t.handled - t.start, t.drawn - t.handled, t.frame - t.drawn];
"""
# Settles once two frames have passed, so that a release's redraw is over.
TWO_FRAMES = """
var done = arguments[arguments.length - 1];
requestAnimationFrame(function() { requestAnimationFrame(function() { done(true); }); });
"""


def settle(page):
    page.driver.execute_async_script(TWO_FRAMES)


def timed(page, down, up):
    """The parts of LATENCY for down()'s input; then up() and a Backspace."""
    page.driver.execute_script(RESET)
    down()
    latency = page.wait_for(lambda: page.driver.execute_script(LATENCY), "the frame")
    up()
    settle(page)
    page.press("BackSpace")
    settle(page)
    return latency


def tap_latency(page, x, y):
    return timed(page, lambda: page.touch("touchStart", x, y), lambda: page.touch("touchEnd"))


def key_latency(page):
    return timed(page, lambda: page.key_event("keyDown", LETTER),
                 lambda: page.key_event("keyUp", LETTER))


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


def summary(values):
    ordered = sorted(values)
    return "median %.1f ms, 90th percentile %.1f ms, worst %.1f ms" % (
        statistics.median(ordered), ordered[int(0.9 * (len(ordered) - 1))], ordered[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--web-dir", default=os.path.join(HERE, "..", "build-web"))
    parser.add_argument("--taps", type=int, default=30)
    parser.add_argument("--idle-seconds", type=float, default=5.0)
    args = parser.parse_args()
    folder = os.path.abspath(args.web_dir)
    if not os.path.exists(os.path.join(folder, "keyboard.js")):
        sys.exit("no %s/keyboard.js: run scripts/web first" % folder)

    server = webharness.Server(folder)
    driver = webharness.start_browser()
    try:
        webharness.emulate_phone(driver, *PHONE)
        page = webharness.Page(driver, server.url + "index.html?quiz=mixed")
        page.wait_for(lambda: driver.execute_script(
            "return performance.getEntriesByName('molvane-first-frame').length > 0"),
            "the home screen")
        shown = driver.execute_script("return !document.getElementById('keyboard').hidden")
        if not shown:
            sys.exit("the keyboard does not show in phone emulation")
        page.cdp("Performance.enable", timeDomain="threadTicks")
        settle(page)
        home = idle_share(page, args.idle_seconds)

        page.tap("x")
        settle(page)
        page.wait_for(lambda: driver.execute_script(
            "return SDL.events.length === 0"), "the question screen")
        time.sleep(0.5)  # the picture's decoding, before the idle figure
        question = idle_share(page, args.idle_seconds)

        driver.execute_script(WATCH_FRAMES)
        x, y = page.key_centre(LETTER)
        taps, keys = [], []
        for _ in range(args.taps):
            taps.append(tap_latency(page, x, y))
            keys.append(key_latency(page))
    finally:
        webharness.stop_browser(driver)
        server.close()

    tap_parts, key_parts = list(zip(*taps)), list(zip(*keys))
    print("Tap to frame: %s over %d taps" % (summary(tap_parts[0]), len(taps)))
    print("Key to frame: %s over %d keys" % (summary(key_parts[0]), len(keys)))
    print("Tap minus key, medians: %.1f ms (target: at most 17 ms)"
          % (statistics.median(tap_parts[0]) - statistics.median(key_parts[0])))
    for what, index in (("the browser's delivery, input to the first listener", 1),
                        ("the page, first listener to the drawing", 2),
                        ("the next frame, drawing to frame", 3)):
        print("  of which %s: tap median %.1f ms, key median %.1f ms"
              % (what, statistics.median(tap_parts[index]),
                 statistics.median(key_parts[index])))
    print("Idle CPU with the keyboard shown: home screen %.2f %%, question screen %.2f %%"
          " of a core (target: at most 1 %%)" % (home * 100, question * 100))


if __name__ == "__main__":
    main()
