"""Measures the browser build's load speed and idle cost in headless Chromium.

    /usr/bin/python3 bench/web.py [--web-dir build-web] [--url PATH] [--runs 5]
                                  [--networks 10mbit,1.6mbit] [--idle-seconds 5]

Build the site first with scripts/web. PATH is the page under the site, by default
index.html?quiz=alkanes when the site has quizzes/index.json, else index.html. The site
is served from 127.0.0.1 by a plain HTTP/1.1 keep-alive server that compresses nothing.
The figures, each against its target:
- first visit: a fresh browser profile each run, on an emulated network (CDP
  Network.emulateNetworkConditions), from navigation to the page's "molvane-first-frame"
  mark, the frame after the home screen is drawn; at most 1.0 s at 10 Mbit/s with 40 ms
  round trips and at most 3.0 s at 1.6 Mbit/s with 150 ms;
- a composed quiz's first visit: the link of the 14 molecules of the alkanes lesson
  against the lesson itself, at 10 Mbit/s with 40 ms; at most 1.1 times (see
  web_composed.py);
- repeat visit from the offline copy: after a first visit, the server is stopped and the
  page opened again in the same profile, --runs times; at most 300 ms ("not available"
  without a service worker);
- idle CPU: the renderer's main-thread task time over a few seconds while the home
  screen and then the question screen wait for a key, as a share of one core; at most 1 %;
- a moving mouse: the renderer main thread's task time under 60 mouse moves a second
  over the canvas on the home and question screens, against the same over the list of
  quizzes, as shares of one core; the quiz at most one point above the list (see
  web_pointer.py, which also measures an earlier build beside this one);
- main thread busy: the renderer main thread's task time until the first frame (its own
  CPU time, which load on a shared machine changes far less than the wall-clock times);
- bytes: what a first visit fetched until its first frame, everything the server sent
  for it, and the size of the whole site;
- the quiz maker (maker.html, when the site has bank/index.json; see web_maker.py): its
  first visit at 10 Mbit/s with 40 ms until the whole bank can be searched, at most
  1.0 s; a key in the search field until the list is filtered and laid out, median and
  worst over the whole bank, at most 16 ms.
"""

import argparse
import os
import statistics
import sys

import web_composed
import web_harness
import web_idle
import web_load
import web_maker
import web_pointer


def _runs(label, visits, target_ms):
    times = [visit["ms"] for visit in visits]
    median = statistics.median(times)
    verdict = "met" if median <= target_ms else "NOT met"
    return ("%s: median %.0f ms, worst %.0f ms over %d runs (target: at most %d ms, %s);"
            " main thread busy %.0f ms of it" % (
                label, median, max(times), len(times), target_ms, verdict,
                1000 * statistics.median(visit["busy"] for visit in visits)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--web-dir", default=os.path.join(web_harness.HERE, "..", "build-web"))
    parser.add_argument("--url", help="the page under the site (see above)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--networks", default=",".join(web_harness.NETWORKS))
    parser.add_argument("--idle-seconds", type=float, default=5.0)
    args = parser.parse_args()
    site = os.path.abspath(args.web_dir)
    if not os.path.exists(os.path.join(site, "index.html")):
        sys.exit("no %s/index.html: run scripts/web first" % site)
    path = args.url or web_harness.default_path(site)
    targets = {"10mbit": 1000, "1.6mbit": 3000}

    print("Site %s, page %s; load average %.1f" % (site, path, os.getloadavg()[0]))
    web_load.first_visit(site, path, None)  # warms the disk cache and the browser binary
    visits = {}
    for network in args.networks.split(","):
        visits[network] = [web_load.first_visit(site, path, network) for _ in range(args.runs)]
        label = "First visit, " + web_harness.NETWORKS[network][0]
        print(_runs(label, visits[network], targets[network]), flush=True)
    local = [web_load.first_visit(site, path, None) for _ in range(args.runs)]
    print("First visit, 127.0.0.1 unthrottled: median %.0f ms; main thread busy %.0f ms"
          % (statistics.median(visit["ms"] for visit in local),
             1000 * statistics.median(visit["busy"] for visit in local)), flush=True)

    print(web_composed.report(site, "10mbit", "First visit of a composed quiz, " +
                              web_harness.NETWORKS["10mbit"][0], args.runs), flush=True)

    repeats = [web_load.repeat_visit(site, path) for _ in range(args.runs)]
    failed = [repeat for repeat in repeats if isinstance(repeat, str)]
    if failed:
        print("Repeat visit from the offline copy: %s (target: at most 300 ms)" % failed[0])
    else:
        median = statistics.median(repeats)
        print("Repeat visit from the offline copy: median %.0f ms, worst %.0f ms over %d runs"
              " (target: at most 300 ms, %s)"
              % (median, max(repeats), len(repeats), "met" if median <= 300 else "NOT met"))

    home, question = web_idle.idle_shares(site, path, args.idle_seconds)
    print("Idle CPU while waiting for a key: home screen %.2f %%, question screen %.2f %%"
          " of a core (target: at most 1 %%)" % (home * 100, question * 100))

    print(web_pointer.report("A moving mouse", web_pointer.pointer_shares(
        site, path, args.idle_seconds)))

    sample = local[-1]
    size, files = web_harness.site_size(site)
    print("A first visit fetched %.0f KB in %d files until its first frame; the server sent"
          " %.0f KB for it in all" % (sample["bytes"] / 1e3, sample["files"], sample["served"] / 1e3))
    print("The whole site: %.0f KB in %d files" % (size / 1e3, files))

    if os.path.exists(os.path.join(site, "bank", "index.json")):
        for line in web_maker.report(site, args.runs):
            print(line, flush=True)


if __name__ == "__main__":
    main()
