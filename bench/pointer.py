"""A moving pointer: what the program costs while the pointer moves over its window and
no key is pressed, and whether a key still arrives right after a burst of motions."""

import os
import time

from floods import paced_flood
from idle import context_switches, cpu_ns, cpu_ticks, wakeups
from rig import LETTERS, SDL_KEYDOWN, SDL_MOUSEMOTION, log

POINTER_SECONDS = 4.0     # how long the pointer moves over each screen
POINTER_RATES = (125, 1000)
BURST_MOTIONS = 2000
BURST_TRIALS = 20
BURST_DEADLINE = 3.0      # a key not delivered this long after its press counts as lost


def pointer_cost(run, xtest, screen, rate_hz, seconds=POINTER_SECONDS):
    """The processor time, wake-ups and frames of the program while the pointer moves to
    and fro over the window at `rate_hz` for `seconds`, with no key pressed."""
    run.settle()
    frames = run.frames.read()
    flips_before, events_before = len(frames.flips), len(frames.events)
    switches = context_switches(run.pid)
    ticks, ns, started = cpu_ticks(run.pid), cpu_ns(run.pid), time.monotonic()
    _, sent = paced_flood(xtest, seconds, rate_hz, [])
    ticks2, ns2, elapsed = cpu_ticks(run.pid), cpu_ns(run.pid), time.monotonic() - started
    woken = wakeups(run.pid, switches, context_switches(run.pid), elapsed)
    run.settle()
    frames = run.frames.read()
    events = frames.events[events_before:]
    result = {
        "screen": screen,
        "rate_hz": rate_hz,
        "seconds": elapsed,
        "motions_sent": sent,
        "motions_delivered": sum(1 for e in events if e[1] == SDL_MOUSEMOTION),
        "events_delivered": len(events),
        "flips": len(frames.flips) - flips_before,
        "share_stat": (ticks2 - ticks) / os.sysconf("SC_CLK_TCK") / elapsed,
        "share_schedstat": (ns2 - ns) / 1e9 / elapsed,
        "wakeups_per_s": woken["all_per_s"],
    }
    log("%d Hz pointer over the %s screen: %.2f%% of a core (schedstat %.2f%%), %d flips,"
        " %d of %d motions delivered, %.0f wake-ups a second" % (
            rate_hz, screen, 100 * result["share_stat"], 100 * result["share_schedstat"],
            result["flips"], result["motions_delivered"], sent, result["wakeups_per_s"]))
    return result


def pointer_costs(run, xtest, screen):
    """pointer_cost at each of POINTER_RATES, keyed by the rate."""
    return {str(rate): pointer_cost(run, xtest, screen, rate) for rate in POINTER_RATES}


def burst_then_key(run, xtest, trials=BURST_TRIALS, motions=BURST_MOTIONS):
    """On the question screen, `trials` times: `motions` pointer motions as fast as the X
    server takes them, then one letter. How many of the letters were delivered. Each
    adds a character to the typed line, so the line must have room for `trials` more."""
    arrived = 0
    for trial in range(trials):
        run.settle()
        events_before = len(run.frames.read().events)
        for k in range(motions):
            xtest.nudge(1 if k % 2 == 0 else -1)
        letter = LETTERS[trial % 26]
        pressed = xtest.tap(letter)

        def delivered(frames):
            return any(e[1] == SDL_KEYDOWN and e[2] == ord(letter) and e[0] >= pressed
                       for e in frames.events[events_before:])

        if run.wait_until(delivered, None, BURST_DEADLINE):
            arrived += 1
    log("%d-motion bursts, then a key: %d of %d keys arrived" % (motions, arrived, trials))
    return {"motions": motions, "trials": trials, "arrived": arrived}
