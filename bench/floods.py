"""Floods: pointer motion that piles up events while the player types or leaves a screen,
and what the platform keeps for a program that looks away."""

import bisect
import statistics
import time

from idle import cpu_ns
from rig import (DEADLINE, LETTERS, SDL_KEYDOWN, SDL_MOUSEMOTION, Process, Window, XTest, log,
                 summary_ms)

FLOOD_DEADLINE = 120.0   # seconds to wait for the program to work through a flood
RETRY_GAP = 0.25         # a player who sees nothing presses again after this
TYPING_FLOOD_SECONDS = 5.0  # a fast mouse over the window while the player types
TYPING_FLOOD_HZ = 1000
TYPING_FLOOD_LETTERS = 50
TYPING_FLOOD_KEY_HZ = 10
TYPING_FLOOD_AFTER = 0.5    # the pointer goes on moving this long after Enter
PICTURE_FLOOD_SECONDS = 2.0
MOTION_SLACK = 0.005        # a paced pointer catches up on at most this much delay
KEYSYMS = {"Return": 13, "space": 32}


def flood(run, xtest, motions, rate_hz=None):
    """`motions` pointer motions (every 1/rate_hz s, or as fast as the server takes them),
    then a letter, pressed again every RETRY_GAP until one shows on screen."""
    run.settle()
    events_before = len(run.frames.read().events)
    flips_before = len(run.frames.flips)
    started = time.monotonic_ns()
    for k in range(motions):
        if rate_hz:
            due = started / 1e9 + k / rate_hz
            pause = due - time.monotonic()
            if pause > 0:
                time.sleep(pause)
        xtest.nudge(1 if k % 2 == 0 else -1)
    sent_all = time.monotonic_ns()

    presses = []   # (key symbol, time pressed)
    deadline = time.monotonic() + FLOOD_DEADLINE
    shown = None

    def letter_shown(frames):
        downs = [e for e in frames.events[events_before:] if e[1] == SDL_KEYDOWN]
        return bool(downs) and any(f[0] >= downs[0][0] for f in frames.flips)

    while shown is None:
        if time.monotonic() > deadline:
            raise RuntimeError("no letter showed within %.0f s of a flood" % FLOOD_DEADLINE)
        letter = LETTERS[len(presses) % 26]
        presses.append((ord(letter), xtest.tap(letter)))
        if run.wait_until(letter_shown, None, RETRY_GAP):
            shown = next(e for e in run.frames.events[events_before:] if e[1] == SDL_KEYDOWN)
    run.settle(FLOOD_DEADLINE)

    events = run.frames.events[events_before:]
    delivered_keys = {e[2] for e in events if e[1] == SDL_KEYDOWN}
    frame = next(f for f in run.frames.flips if f[0] >= shown[0])
    flips = run.frames.flips[flips_before:]
    first_press = presses[0][1]
    # What one pointer motion costs: its delivery to the end of the second flip after it.
    starts = [f[0] for f in flips]
    motion_costs = []
    for e in events:
        if e[1] == SDL_MOUSEMOTION:
            k = bisect.bisect_left(starts, e[0])
            if k + 1 < len(flips):
                motion_costs.append(flips[k + 1][1] - e[0])
    result = {
        "motions_sent": motions,
        "rate_hz": rate_hz,
        "sending_ms": (sent_all - started) / 1e6,
        "motions_delivered": sum(1 for e in events if e[1] == SDL_MOUSEMOTION),
        "presses": len(presses),
        "presses_lost": sum(1 for sym, _ in presses if sym not in delivered_keys),
        "first_press_shown": shown[2] == presses[0][0],
        "press_to_frame_ms": (frame[1] - first_press) / 1e6,
        "busy_after_motions_ms": (flips[-1][1] - sent_all) / 1e6,
        "event_cost_ms": statistics.median(motion_costs) / 1e6 if motion_costs else None,
        "flip_median_ms": statistics.median(f[1] - f[0] for f in flips) / 1e6,
    }
    log("flood of %d motions%s: %d delivered; a letter showed %.0f ms after the first press"
        " (%d of %d presses lost)" % (
            motions, " at %d Hz" % rate_hz if rate_hz else "", result["motions_delivered"],
            result["press_to_frame_ms"], result["presses_lost"], result["presses"]))
    return result


def paced_flood(xtest, seconds, rate_hz, keys):
    """Moves the pointer to and fro at `rate_hz` for `seconds` while pressing each of
    `keys` [(due second, key name)] when it is due. Motions that fell behind are sent at
    once, but none more than MOTION_SLACK late: those are skipped, as a mouse reports no
    backlog. Returns the presses [(key name, time pressed)] and the motions sent."""
    presses = []
    pending = sorted(keys)
    started = time.monotonic()
    sent = 0
    slot = 0
    while True:
        elapsed = time.monotonic() - started
        if elapsed >= seconds:
            break
        while pending and pending[0][0] <= elapsed:
            key = pending.pop(0)[1]
            presses.append((key, xtest.tap(key)))
        slot = max(slot, int((elapsed - MOTION_SLACK) * rate_hz))
        while slot <= elapsed * rate_hz:
            xtest.nudge(1 if sent % 2 == 0 else -1)
            sent += 1
            slot += 1
        pause = slot / rate_hz - (time.monotonic() - started)
        if pending:
            pause = min(pause, pending[0][0] - (time.monotonic() - started))
        if pause > 0:
            time.sleep(pause)
    return presses, sent


def match_presses(presses, events):
    """Pairs each press [(key name, time)] with the first key-down of its symbol delivered
    after the one paired before it: [(press time, delivery time or None)]."""
    downs = [e for e in events if e[1] == SDL_KEYDOWN]
    pairs, k = [], 0
    for key, pressed in presses:
        sym = KEYSYMS.get(key, ord(key[0]))
        j = k
        while j < len(downs) and (downs[j][2] != sym or downs[j][0] < pressed):
            j += 1
        if j < len(downs):
            pairs.append((pressed, downs[j][0]))
            k = j + 1
        else:
            pairs.append((pressed, None))
    return pairs


def typing_flood(run, xtest):
    """On an empty answer screen: TYPING_FLOOD_SECONDS of a TYPING_FLOOD_HZ pointer while
    TYPING_FLOOD_LETTERS letters are typed at TYPING_FLOOD_KEY_HZ, then Enter while the
    pointer still moves. The line is no molecule's name, so Enter shows the wrong-answer
    screen."""
    run.settle()
    frames = run.frames.read()
    events_before = len(frames.events)
    flips_before = len(frames.flips)
    incorrect = frames.loaded()[2]
    gap = 1.0 / TYPING_FLOOD_KEY_HZ
    keys = [(gap / 2 + k * gap, LETTERS[k % 26]) for k in range(TYPING_FLOOD_LETTERS)]
    enter_at = TYPING_FLOOD_SECONDS + gap / 2
    keys.append((enter_at, "Return"))
    busy_before = cpu_ns(run.pid)
    presses, sent = paced_flood(xtest, enter_at + TYPING_FLOOD_AFTER, TYPING_FLOOD_HZ, keys)
    busy = (cpu_ns(run.pid) - busy_before) / 1e9 / (enter_at + TYPING_FLOOD_AFTER)
    run.settle(FLOOD_DEADLINE)
    frames = run.frames.read()
    events = frames.events[events_before:]
    flips = frames.flips[flips_before:]
    pairs = match_presses(presses, events)
    to_frame, delivered_to_frame = [], []
    for pressed, delivered in pairs[:-1]:
        if delivered is not None:
            end = next((e for s, e in flips if s >= delivered), None)
            if end is not None:
                to_frame.append(end - pressed)
                delivered_to_frame.append(end - delivered)
    enter_pressed = presses[-1][1]
    shown = frames.first_flip_after_blit(incorrect, enter_pressed)
    result = {
        "seconds": enter_at + TYPING_FLOOD_AFTER,
        "motions_sent": sent,
        "rate_hz": sent / (enter_at + TYPING_FLOOD_AFTER),
        "motions_delivered": sum(1 for e in events if e[1] == SDL_MOUSEMOTION),
        "presses": len(presses),
        "presses_lost": sum(1 for _, d in pairs if d is None),
        "pressed": summary_ms(to_frame) if to_frame else None,
        "delivered": summary_ms(delivered_to_frame) if delivered_to_frame else None,
        "enter_to_answer_screen_ms": (shown - enter_pressed) / 1e6 if shown else None,
        "redraws": len(flips),
        "busy_share": busy,
    }
    log("typing under a %d Hz pointer (%.0f Hz sent): %d of %d presses lost; key to frame"
        " p95 %s ms; Enter to the answer screen %s ms" % (
            TYPING_FLOOD_HZ, result["rate_hz"], result["presses_lost"], result["presses"],
            "%.1f" % result["pressed"]["p95_ms"] if to_frame else "-",
            "%.0f" % result["enter_to_answer_screen_ms"] if shown else "never"))
    return result


def picture_flood(run, xtest):
    """On the wrong-answer screen: a TYPING_FLOOD_HZ pointer for PICTURE_FLOOD_SECONDS,
    with a space pressed halfway: how long until the question screen is drawn."""
    run.settle()
    frames = run.frames.read()
    events_before = len(frames.events)
    flips_before = len(frames.flips)
    background = frames.loaded()[0]
    presses, sent = paced_flood(xtest, PICTURE_FLOOD_SECONDS, TYPING_FLOOD_HZ,
                                [(PICTURE_FLOOD_SECONDS / 2, "space")])
    run.settle(FLOOD_DEADLINE)
    frames = run.frames.read()
    events = frames.events[events_before:]
    pairs = match_presses(presses, events)
    pressed = presses[0][1]
    shown = frames.first_flip_after_blit(background, pressed)
    before_key = [e for e in events if e[0] < (pairs[0][1] or pressed)]
    flips_before_key = [f for f in frames.flips[flips_before:] if f[0] < (pairs[0][1] or pressed)]
    result = {
        "seconds": PICTURE_FLOOD_SECONDS,
        "motions_sent": sent,
        "rate_hz": sent / PICTURE_FLOOD_SECONDS,
        "motions_delivered": sum(1 for e in events if e[1] == SDL_MOUSEMOTION),
        "press_lost": pairs[0][1] is None,
        "key_to_question_ms": (shown - pressed) / 1e6 if shown else None,
        "events_per_flip_before_key": len(before_key) / max(1, len(flips_before_key)),
    }
    log("wrong-answer screen under a %d Hz pointer: space to the question screen %s ms" % (
        TYPING_FLOOD_HZ, "%.0f" % result["key_to_question_ms"] if shown else "never"))
    return result


def held_events(x, baseline, workdir, shim, motions=2000):
    """How many of `motions` pointer motions and a key press, sent while the baseline
    takes no events, it gets once it looks: what the platform keeps for a busy program."""
    hold_ms = 3000
    run = Process(x, [baseline, "--hold", str(hold_ms)], workdir, shim, "hold")
    xtest = None
    try:
        run.start()
        Window(x, "Molvane baseline")
        xtest = XTest(x.display)
        for k in range(motions):
            xtest.nudge(1 if k % 2 == 0 else -1)
        xtest.tap("a")
        sent = (time.monotonic_ns() - run.frames.flips[0][1]) / 1e6
        run.process.wait(DEADLINE + hold_ms / 1000)
    finally:
        if xtest is not None:
            xtest.close()
        run.kill()
    events = run.frames.read().events
    result = {"motions_sent": motions, "sent_within_ms": sent, "hold_ms": hold_ms,
              "motions_kept": sum(1 for e in events if e[1] == SDL_MOUSEMOTION),
              "key_kept": any(e[1] == SDL_KEYDOWN for e in events),
              "events_kept": len(events)}
    log("a program that looks away keeps %d events (%d motions; key press kept: %s)"
        % (result["events_kept"], result["motions_kept"], result["key_kept"]))
    return result
