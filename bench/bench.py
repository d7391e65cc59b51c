#!/usr/bin/python3
"""Measures Molvane against the baseline program in one run under a private Xvfb.

bench/run builds everything and calls this; by hand:

    /usr/bin/python3 bench/bench.py --molvane BUILD/molvane --baseline HELPERS/baseline \
        --shim HELPERS/frame_log.so --data data [--runs 9] [--out results.json]

Each measure lives in a module of its own: launch.py, idle.py, keys.py (key to frame),
floods.py, pointer.py and memory.py, on the common harness of rig.py (the quizzes, the X
server, XTEST input, the shim's frame log, the program under test); report.py prints the
tables. This file runs them in order and checks each program's standard output at the
end of its session.

Measured:
  launch    spawn to the end of the first SDL_Flip (the home screen, or the baseline's
            one frame); median of --runs warm runs, after one untimed warm-up round,
            with the baseline, the bundled quiz and the 500-molecule quiz interleaved.
  flip      the bare cost of one SDL_Flip: the baseline presenting frames back to back.
  idle      over 5 s on the home, answer-entry and wrong-answer screens: utime + stime
            from /proc/PID/stat (the finer /proc/PID/task/*/schedstat beside it), and
            wake-ups a second, the voluntary and involuntary context switches of every
            thread from /proc/PID/task/*/status; the baseline's own for comparison.
  key       for each typed letter: the delivered key-down to the end of the first flip
            after it (the frame that shows the letter), and the XTEST key press to that
            same flip (which adds the time the program takes to notice the key).
  flood     pointer motions over the answer-entry screen, then a letter, pressed again
            every 250 ms until one shows: how long from the first press until a letter
            is on screen, and how many presses were lost. Two floods: 2,000 motions as
            fast as the X server takes them, and 4 s of a 125 Hz mouse. Beside them,
            how many events the platform keeps for a program that takes none for 3 s
            while 2,000 motions and a key press arrive (the baseline with --hold).
  pointer   over 4 s on the home, answer-entry and wrong-answer screens, with no key
            pressed, a pointer moving at 125 Hz and at 1000 Hz: processor time as for
            idle, wake-ups, flips presented and events delivered. And 20 times on the
            answer screen, 2,000 motions as fast as the X server takes them, then one
            letter: how many of the 20 letters were delivered.
  typing    on an empty answer screen, 5 s of a 1000 Hz pointer while 50 letters are
  flood     typed at 10 a second, then Enter while the pointer still moves: presses
            lost, each letter's X key press to the end of the first flip after its
            delivery, and Enter to the first flip after the wrong-answer picture was
            drawn. Before it, the wrong-answer screen under the same pointer: a space
            to the first flip after the question screen's background was drawn.
  phases    where each launch spent its time, from the start-up calls the shim logs.
  memory    VmHWM from /proc/PID/status.
  before    with --before, an earlier binary goes through the same launches (interleaved)
            and the same session, in the same run.
  what-if   the keys and the floods again with SDL_RENDER_DRIVER chosen through the
            environment (--whatif-renderer, opengl by default: SDL's own choice before
            the program chose software drawing), and whether the screens it shows are
            pixel for pixel the same.
"""

import argparse
import json
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import tempfile

from floods import flood, held_events, picture_flood, typing_flood
from idle import baseline_idle, idle_share
from keys import band, key_sample, type_rounds
from launch import bare_flip, measure_launches
from memory import peak_rss_kib
from pointer import burst_then_key, pointer_costs
from report import report
from rig import (MOLECULES_MANY, SOFTWARE_DRAWING, Process, Window, XServer, XTest, log,
                 prepare_bundled, prepare_many, prepare_quiz)

def session(x, molvane, workdir, shim, rng, env=None, full=True):
    """One run on the bundled quiz: idle, typing, floods, wrong answer, memory.

    Without `full`, no idle windows, one round of typing and no wrong answer."""
    result = {}
    run = Process(x, [molvane], workdir, shim, "session" if full else "whatif", env)
    xtest = None
    try:
        run.start()
        result["dropped_connections"] = run.drops
        window = Window(x)
        xtest = XTest(x.display)
        run.settle()
        home = window.screenshot()
        result["home_picture"] = home.tobytes() if home else None
        if full:
            result["idle_home"] = idle_share(run, "home")
            result["pointer_home"] = pointer_costs(run, xtest, "home")

        # Any key but Escape leads from the home screen to the answer entry.
        xtest.tap("space")
        run.settle()
        result["keys"] = type_rounds(run, xtest, rng, 2 if full else 1, window)
        shot = window.screenshot()
        result["entry_band"] = band(shot) if shot else None
        for _ in range(15):
            key_sample(run, xtest, "BackSpace", rng)

        if full:
            result["idle_entry"] = idle_share(run, "answer entry")
            result["pointer_entry"] = pointer_costs(run, xtest, "answer entry")
        result["flood_burst"] = flood(run, xtest, 2000)
        for _ in range(10):
            key_sample(run, xtest, "BackSpace", rng)
        result["flood_mouse"] = flood(run, xtest, 500, rate_hz=125)
        if full:
            result["bursts"] = burst_then_key(run, xtest)
        # The typed line is no molecule's name, so Enter shows the wrong-answer screen.
        xtest.tap("Return")
        run.settle()
        if full:
            result["idle_wrong"] = idle_share(run, "wrong answer")
            result["pointer_wrong"] = pointer_costs(run, xtest, "wrong answer")
        # A fast pointer over the wrong-answer screen, then over the question screen
        # while the player types and submits.
        result["picture_flood"] = picture_flood(run, xtest)
        result["typing_flood"] = typing_flood(run, xtest)
        if full:
            result["vm_hwm_kib"] = peak_rss_kib(run.pid)
    finally:
        if xtest is not None:
            xtest.close()
        status = run.stop()
        run.kill()
    output = run.output()
    result["exit_status"] = status
    result["stdout_ok"] = (status == 1 and output.startswith("Initializing SDL\n")
                           and output.endswith("Goodbye!"))
    if not result["stdout_ok"]:
        log("unexpected ending (status %s); the program printed:\n%s" % (status, output))
    return result


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return {"nproc": len(os.sched_getaffinity(0)), "cpu": model, "kernel": platform.release(),
            "load_at_start": os.getloadavg()[0]}


def library_versions():
    versions = {}
    for package in ("libsdl1.2-compat", "libsdl2-2.0-0", "libsdl-ttf2.0-0", "xvfb"):
        shown = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                               capture_output=True, text=True)
        versions[package] = shown.stdout.strip() if shown.returncode == 0 else "?"
    return versions


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--molvane", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--shim", required=True)
    parser.add_argument("--data", required=True, help="the bundled data/ folder")
    parser.add_argument("--before", help="an earlier molvane binary, measured in the same run")
    parser.add_argument("--quiz", action="append", default=[], metavar="NAME=FOLDER",
                        help="also launch on this data folder (launch only); repeatable")
    parser.add_argument("--whatif-renderer", default="opengl",
                        help="SDL_RENDER_DRIVER for the what-if session (default: opengl)")
    parser.add_argument("--runs", type=int, default=9, help="timed launches of each (at least 5)")
    parser.add_argument("--seed", type=int, default=1, help="seeds the pauses between keys")
    parser.add_argument("--out", help="also write the figures here as JSON")
    parser.add_argument("--keep", action="store_true", help="keep the working folders")
    args = parser.parse_args()
    if args.runs < 5:
        parser.error("--runs must be at least 5")
    molvane, baseline, shim = (os.path.abspath(p) for p in (args.molvane, args.baseline, args.shim))
    before = os.path.abspath(args.before) if args.before else None
    whatif_env = {"SDL_RENDER_DRIVER": args.whatif_renderer}

    scratch = tempfile.mkdtemp(prefix="molvane-bench-")
    x = None
    try:
        bundled_dir = os.path.join(scratch, "bundled")
        many_dir = os.path.join(scratch, "many")
        base_dir = os.path.join(scratch, "baseline")
        os.makedirs(base_dir)
        names = prepare_bundled(os.path.abspath(args.data), bundled_dir)
        prepare_many(os.path.join(bundled_dir, "data"), names, many_dir, MOLECULES_MANY)
        extra = {}
        for quiz in args.quiz:
            tag, _, folder = quiz.partition("=")
            extra[tag] = (os.path.join(scratch, "quiz-" + tag),
                          prepare_quiz(os.path.abspath(folder), os.path.join(scratch, "quiz-" + tag)))
        log("quizzes ready: the bundled one with %d molecules, a generated one with %d"
            % (len(names), MOLECULES_MANY))

        x = XServer()
        results = {"machine": machine(), "versions": library_versions(),
                   "bundled_molecules": len(names), "whatif_renderer": args.whatif_renderer,
                   "extra_quizzes": list(extra),
                   "extra_molecules": {tag: count for tag, (_, count) in extra.items()}}
        commands = {"baseline": ([baseline], base_dir, shim, None),
                    "baseline-software": ([baseline], base_dir, shim, SOFTWARE_DRAWING),
                    "bundled": ([molvane], bundled_dir, shim, None)}
        if before:
            commands["before"] = ([before], bundled_dir, shim, None)
        for tag, (folder, _) in extra.items():
            commands[tag] = ([molvane], folder, shim, None)
        commands["many"] = ([molvane], many_dir, shim, None)
        times, hwm, drops, phases = measure_launches(x, commands, args.runs)
        results["launch"] = {
            "runs": args.runs, "dropped_connections": drops,
            "kinds": {tag: {"ms": statistics.median(values) / 1e6,
                            "all_ms": [round(v / 1e6, 2) for v in values],
                            "phases_ms": {label: statistics.median(ns) / 1e6
                                          for label, ns in phases[tag].items()}}
                      for tag, values in times.items()},
        }
        results["memory"] = {tag: max(values) for tag, values in hwm.items()}
        results["bare_flip"] = bare_flip(x, baseline, base_dir, shim)
        results["baseline_idle"] = baseline_idle(x, baseline, base_dir, shim)
        results["baseline_idle_software"] = baseline_idle(x, baseline, base_dir, shim,
                                                          SOFTWARE_DRAWING)
        results["held"] = held_events(x, baseline, base_dir, shim)
        if before:
            results["before"] = session(x, before, bundled_dir, shim, random.Random(args.seed))
        results["session"] = session(x, molvane, bundled_dir, shim, random.Random(args.seed))

        whatif = session(x, molvane, bundled_dir, shim, random.Random(args.seed),
                         env=whatif_env, full=False)
        whatif["bare_flip"] = bare_flip(x, baseline, base_dir, shim, SOFTWARE_DRAWING)
        s = results["session"]
        whatif["same_home"] = "same" if (whatif["home_picture"] and whatif["home_picture"]
                                         == s["home_picture"]) else "different"
        whatif["same_entry"] = "same" if (whatif["entry_band"] and whatif["entry_band"]
                                          == s["entry_band"]) else "different"
        for run in (whatif, s, results.get("before") or {}):
            for key in ("home_picture", "entry_band"):
                run.pop(key, None)
        results["whatif"] = whatif
    finally:
        if x is not None:
            x.stop()
        if args.keep:
            log("working folders kept in " + scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)

    print(report(results))
    if args.out:
        with open(args.out, "w") as out:
            json.dump(results, out, indent=2)
            out.write("\n")
    ok = all(results[k]["stdout_ok"] for k in ("session", "whatif", "before") if k in results)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
