"""Key to frame: letters typed one at a time on the question screen, each timed from its
X key press, and from the key-down SDL hands the program, to the end of the first flip
after it, the frame that shows the letter."""

import time

from rig import LETTERS, SDL_KEYDOWN, SDL_KEYUP, log, summary_ms

TYPED_KEYS = 50          # letters typed per round; the line holds at most 51
KEY_GAP = (0.040, 0.090)  # pause before each key press, as a quick typist leaves


def key_sample(run, xtest, key, rng):
    """Types one key; returns the times from the delivered key-down to the end of the first
    flip after it, from the key press to that, from the key-down to the end of the second
    flip, and from the key-down to the start of the first flip (the program's own work)."""
    time.sleep(rng.uniform(*KEY_GAP))
    events_before = len(run.frames.read().events)
    sent = xtest.tap(key)

    def handled(frames):
        # The key-down and the key-up each give a redraw with two flips.
        ups = [e for e in frames.events[events_before:] if e[1] == SDL_KEYUP]
        return bool(ups) and sum(1 for f in frames.flips if f[0] > ups[0][0]) >= 2

    run.wait_until(handled, "key %s to be shown" % key)
    down = next(e for e in run.frames.events[events_before:] if e[1] == SDL_KEYDOWN)
    after = [f for f in run.frames.flips if f[0] >= down[0]]
    return after[0][1] - down[0], after[0][1] - sent, after[1][1] - down[0], after[0][0] - down[0]


def type_rounds(run, xtest, rng, rounds, window=None):
    """Rounds of TYPED_KEYS letters, with the line erased between rounds."""
    typed, pressed, second, own, erased = [], [], [], [], []
    before = window.screenshot() if window else None
    visible = None
    for round_number in range(rounds):
        if round_number > 0:
            for _ in range(TYPED_KEYS):
                erased.append(key_sample(run, xtest, "BackSpace", rng)[0])
        for k in range(TYPED_KEYS):
            frame, injected, flip2, work = key_sample(run, xtest, LETTERS[k % 26], rng)
            typed.append(frame)
            own.append(work)
            pressed.append(injected)
            second.append(flip2)
            if window and round_number == 0 and k == 0:
                after = window.screenshot()
                visible = (before is not None and after is not None
                           and band(before) != band(after))
    result = {"delivered": summary_ms(typed), "pressed": summary_ms(pressed),
              "second_flip": summary_ms(second), "own_work": summary_ms(own),
              "first_letter_visible": visible}
    if erased:
        result["erase"] = summary_ms(erased)
    log("key to frame: median %.2f ms, p95 %.2f ms (from the key press: median %.2f ms)"
        % (result["delivered"]["median_ms"], result["delivered"]["p95_ms"],
           result["pressed"]["median_ms"]))
    return result


def band(image):
    """The lower part of the answer screen, where the prompt and the typed line are."""
    return image.crop((0, 330, 800, 600)).tobytes()
