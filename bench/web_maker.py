"""The quiz maker's speed: its first visit until the whole bank can be searched, and a
key in the search field until the updated list is on screen."""

import json
import os
import statistics

import web_harness

READY = """
var mark = performance.getEntriesByName('molvane-maker-ready')[0];
return mark ? mark.startTime : null;
"""

# Records, for every key pressed in the search field, two times from the key event:
# "work", until the list is filtered and laid out again (the input event's handlers,
# then a forced layout), and "frame", until the frame that shows it has been rendered
# (a message posted from that frame's animation callback arrives once it is done),
# which adds the wait for the display's next frame.
WATCH_KEYS = """
window.molvaneKeyTimes = [];
var search = document.querySelector('input[type=search]');
var start = 0;
search.addEventListener('keydown', function(event) { start = event.timeStamp; }, true);
window.addEventListener('input', function() {
  var began = start;
  void document.getElementById('bank').offsetHeight;
  var work = performance.now() - began;
  requestAnimationFrame(function() {
    var channel = new MessageChannel();
    channel.port1.onmessage = function() {
      window.molvaneKeyTimes.push({work: work, frame: performance.now() - began});
    };
    channel.port2.postMessage(0);
  });
});
search.focus();
"""
KEY_TIMES = "return window.molvaneKeyTimes.length;"
WORDS = ["ethanol", "acid", "propan-2", "ene"]


def first_visit(site, network):
    """ms from navigation until maker.html has listed the whole bank and can search it,
    with a fresh profile on network (see web_harness.NETWORKS)."""
    with web_harness.fresh_visit(site) as (server, driver, page):
        web_harness.throttle(page, network)
        driver.get(server.url + "maker.html")
        return page.wait_for(lambda: driver.execute_script(READY), "the searchable bank", 30)


def key_times(site, rounds=3):
    """ms from each key in the search field to the updated list on screen: each word
    typed and then erased, rounds times."""
    with web_harness.fresh_visit(site) as (server, driver, page):
        driver.get(server.url + "maker.html")
        page.wait_for(lambda: driver.execute_script(READY), "the searchable bank", 30)
        driver.execute_script(WATCH_KEYS)
        keys = []
        for _ in range(rounds):
            for word in WORDS:
                keys += [{"-": "minus"}.get(char, char) for char in word]
                keys += ["BackSpace"] * len(word)
        for count, key in enumerate(keys, start=1):
            page.press(key)
            page.wait_for(lambda: driver.execute_script(KEY_TIMES) >= count, "the key's frame")
        return driver.execute_script("return window.molvaneKeyTimes;")


def key_line(site, label="Quiz maker"):
    """The report's line of the search keys of the maker of site."""
    times = key_times(site)
    work = sorted(time["work"] for time in times)
    frame = [time["frame"] for time in times]
    with open(os.path.join(site, "bank", "index.json"), encoding="utf-8") as bank:
        molecules = len(json.load(bank)["molecules"])
    return (
        "%s, a key in the search field to the list filtered and laid out, over"
        " the %d molecules of the bank: median %.1f ms, 90th percentile %.1f ms, worst %.1f ms"
        " over %d keys (target: at most 16 ms, %s); to the frame that shows it: median %.1f ms,"
        " worst %.1f ms" % (
            label, molecules, statistics.median(work), work[int(0.9 * len(work))], work[-1],
            len(times), "met" if work[-1] <= 16 else "NOT met", statistics.median(frame),
            max(frame)))


def report(site, runs):
    """The maker's lines of the benchmark report."""
    visits = [first_visit(site, "10mbit") for _ in range(runs)]
    median = statistics.median(visits)
    return [
        "Quiz maker, first visit until searchable, %s: median %.0f ms, worst %.0f ms over %d"
        " runs (target: at most 1000 ms, %s)" % (
            web_harness.NETWORKS["10mbit"][0], median, max(visits), runs,
            "met" if median <= 1000 else "NOT met"),
        key_line(site),
    ]


if __name__ == "__main__":
    import argparse
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("site", nargs="?", default=os.path.join(web_harness.HERE, "..", "build-web"))
    parser.add_argument("--before-web-dir", help="an earlier build's site, whose keys are "
                        "measured in the same run")
    args = parser.parse_args()
    if args.before_web_dir:
        print(key_line(os.path.abspath(args.before_web_dir), "Before"))
    for line in report(os.path.abspath(args.site), 3):
        print(line)
