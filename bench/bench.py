#!/usr/bin/python3
"""Measures Molvane against the baseline program in one run under a private Xvfb.

bench/run builds everything and calls this; by hand:

    /usr/bin/python3 bench/bench.py --molvane BUILD/molvane --baseline HELPERS/baseline \
        --shim HELPERS/frame_log.so --data data [--runs 9] [--out results.json]

Every process is started with the LD_PRELOAD shim frame_log.so, which appends to the
file named by MOLVANE_FRAME_LOG the CLOCK_MONOTONIC times of the events that
SDL_PollEvent hands the program and of every SDL_Flip (see frame_log.c). The program's
standard output goes untouched to a file of its own and is checked at the end of the
session. Keys and pointer motion are injected through the XTEST extension (the path
xdotool takes), timed with time.monotonic_ns(), which reads the same clock.

Measured:
  launch    spawn to the end of the first SDL_Flip (the home screen, or the baseline's
            one frame); median of --runs warm runs, after one untimed warm-up round,
            with the baseline, the bundled quiz and the 500-molecule quiz interleaved.
  flip      the bare cost of one SDL_Flip: the baseline presenting frames back to back.
  idle CPU  utime + stime from /proc/PID/stat over 5 s on the home, answer-entry and
            wrong-answer screens (the finer /proc/PID/task/*/schedstat beside it), and
            the baseline's own over 5 s for comparison.
  key       for each typed letter: the delivered key-down to the end of the first flip
            after it (the frame that shows the letter), and the XTEST key press to that
            same flip (which adds the time the program takes to notice the key).
  flood     pointer motions over the answer-entry screen, then a letter, pressed again
            every 250 ms until one shows: how long from the first press until a letter
            is on screen, and how many presses were lost. Two floods: 2,000 motions as
            fast as the X server takes them, and 4 s of a 125 Hz mouse. Beside them,
            how many events the platform keeps for a program that takes none for 3 s
            while 2,000 motions and a key press arrive (the baseline with --hold).
  memory    VmHWM from /proc/PID/status.
  what-if   the flip, the keys and both floods again with SDL's software
            renderer chosen through the environment (SDL_RENDER_DRIVER=software), and
            whether the screens it shows are pixel for pixel the same.
"""

import argparse
import bisect
import ctypes
import ctypes.util
import io
import json
import os
import platform
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402  the end-to-end tests' Xvfb server

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FIXED_PICTURES = ["background.bmp", "correct.bmp", "incorrect.bmp", "last.bmp", "Homescreen.bmp"]
LIST_FILE = "Molecule List.txt"
FONT_FILE = "nsecthck.ttf"

SDL_KEYDOWN = 2
SDL_KEYUP = 3
SDL_MOUSEMOTION = 4

DROPPED_X_CONNECTION = "x11 not available"
LAUNCH_ATTEMPTS = 8
X_ATTEMPTS = 10
DEADLINE = 20.0          # seconds to wait for anything that should happen soon
FLOOD_DEADLINE = 120.0   # seconds to wait for the program to work through a flood
POLL = 0.005             # pause between two looks at a condition
QUIET = 0.3              # no log lines for this long: the screen has settled
IDLE_WINDOW = 5.0        # the deliberate idle measurement window
MOLECULES_MANY = 500
TYPED_KEYS = 50          # letters typed per round; the line holds at most 51
KEY_GAP = (0.040, 0.090)  # pause before each key press, as a quick typist leaves
RETRY_GAP = 0.25         # a player who sees nothing presses again after this
BARE_FLIPS = 120
SOFTWARE = {"SDL_RENDER_DRIVER": "software"}
LETTERS = "abcdefghijklmnopqrstuvwxyz"


def log(*parts):
    print(*parts, file=sys.stderr, flush=True)


# -- data --------------------------------------------------------------------------------

def write_picture(path, size, colour):
    from PIL import Image
    Image.new("RGB", size, colour).convert("P", palette=Image.ADAPTIVE).save(path, "BMP")


def prepare_bundled(source, folder):
    """Copies the bundled data/ (generating what is missing); returns the molecule names."""
    data = os.path.join(folder, "data")
    os.makedirs(data)
    if os.path.isdir(source):
        for entry in os.listdir(source):
            path = os.path.join(source, entry)
            if os.path.isfile(path):
                shutil.copy(path, data)
    if not os.path.exists(os.path.join(data, FONT_FILE)):
        shutil.copy(FONT, os.path.join(data, FONT_FILE))
    colours = [(230, 230, 230), (40, 180, 60), (200, 40, 40), (60, 80, 220), (250, 200, 40)]
    for name, colour in zip(FIXED_PICTURES, colours):
        if not os.path.exists(os.path.join(data, name)):
            write_picture(os.path.join(data, name), (800, 600), colour)
    names = read_list(os.path.join(data, LIST_FILE))
    if not names or not all(os.path.exists(os.path.join(data, n + ".bmp")) for n in names):
        # No usable bundled quiz (yet): make a small one of the same shape.
        names = ["generated molecule %d" % k for k in range(1, 31)]
        write_list(os.path.join(data, LIST_FILE), names)
        for k, name in enumerate(names):
            write_picture(os.path.join(data, name + ".bmp"), (300, 220),
                          (k * 7 % 256, 255 - k * 5 % 256, 90))
        log("no complete bundled quiz found; generated %d molecules" % len(names))
    return names


def prepare_many(bundled_data, bundled_names, folder, count):
    """A quiz of `count` molecules whose pictures are copies of the bundled ones."""
    data = os.path.join(folder, "data")
    os.makedirs(data)
    for name in FIXED_PICTURES + [FONT_FILE]:
        shutil.copy(os.path.join(bundled_data, name), data)
    names = ["molecule-%03d" % k for k in range(1, count + 1)]
    write_list(os.path.join(data, LIST_FILE), names)
    for k, name in enumerate(names):
        picture = bundled_names[k % len(bundled_names)] + ".bmp"
        shutil.copy(os.path.join(bundled_data, picture), os.path.join(data, name + ".bmp"))
    return names


def read_list(path):
    try:
        with open(path, "rb") as listing:
            lines = listing.read().decode("latin-1").split("\n")
    except OSError:
        return []
    try:
        count = int(float(lines[0].strip()))
    except ValueError:
        return []
    names = [line[:-1] if line.endswith("\r") else line for line in lines[1:count + 1]]
    return names if len(names) == count and count > 0 else []


def write_list(path, names):
    with open(path, "w", newline="") as listing:
        listing.write("%d\n" % len(names) + "".join(n + "\n" for n in names))


# -- X -----------------------------------------------------------------------------------

class XServer(harness.XServer):
    """The end-to-end tests' private Xvfb server, whose tools run without the shim."""

    def env(self, **extra):
        env = super().env(**extra)
        for name in ("LD_PRELOAD", "SDL_RENDER_DRIVER"):
            if name not in extra:
                env.pop(name, None)
        return env

    def tool(self, *args):
        """Runs an X tool, again when it could not open the display; never raises."""
        return super().tool(*args, check=False)


class XTest:
    """One Xlib connection that injects keys and pointer motion through XTEST."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        x, t = self.x11, self.xtst
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XStringToKeysym.restype = ctypes.c_ulong
        x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        x.XKeysymToKeycode.restype = ctypes.c_ubyte
        x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        t.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                        ctypes.c_ulong]
        t.XTestFakeRelativeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.connection = None
        for _ in range(X_ATTEMPTS):
            self.connection = x.XOpenDisplay(display.encode())
            if self.connection:
                break
            time.sleep(POLL)
        if not self.connection:
            raise RuntimeError("cannot open display " + display)

    def keycode(self, name):
        code = self.x11.XKeysymToKeycode(self.connection, self.x11.XStringToKeysym(name.encode()))
        if code == 0:
            raise RuntimeError("no keycode for " + name)
        return code

    def tap(self, name):
        """Presses and releases a key; returns the time just before the press was sent."""
        code = self.keycode(name)
        sent = time.monotonic_ns()
        self.xtst.XTestFakeKeyEvent(self.connection, code, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.connection, code, 0, 0)
        self.x11.XFlush(self.connection)
        return sent

    def nudge(self, step):
        """Moves the pointer `step` pixels sideways and waits until the server took it.

        Waiting for each one keeps the server from merging queued motions into one.
        """
        self.xtst.XTestFakeRelativeMotionEvent(self.connection, step, 0, 0)
        self.x11.XSync(self.connection, 0)

    def close(self):
        if self.connection:
            self.x11.XCloseDisplay(self.connection)
            self.connection = None


# -- the program under test --------------------------------------------------------------

class FrameLog:
    """Reads the shim's log as it grows."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.rest = b""
        self.events = []   # (time, type, key symbol)
        self.flips = []    # (start, end)
        self.last_change = time.monotonic()

    def read(self):
        try:
            with open(self.path, "rb") as stream:
                stream.seek(self.offset)
                chunk = stream.read()
        except FileNotFoundError:
            return self
        if not chunk:
            return self
        self.offset += len(chunk)
        self.last_change = time.monotonic()
        lines = (self.rest + chunk).split(b"\n")
        self.rest = lines.pop()
        for line in lines:
            fields = line.split()
            if fields[0] == b"E":
                self.events.append((int(fields[1]), int(fields[2]), int(fields[3])))
            elif fields[0] == b"F":
                self.flips.append((int(fields[1]), int(fields[2])))
        return self


class Process:
    """One run of a program with the shim, its log and its standard output."""

    def __init__(self, xserver, command, workdir, shim, tag, env=None):
        self.x = xserver
        self.command = command
        self.workdir = workdir
        self.shim = shim
        self.tag = tag
        self.extra_env = env or {}
        self.process = None
        self.drops = 0

    def start(self, wait_for_exit=False):
        """Starts the program and waits for its first frame (or, with `wait_for_exit`,
        for its end); runs whose X connection was dropped are started again."""
        for attempt in range(LAUNCH_ATTEMPTS):
            self.log_path = os.path.join(self.workdir, "%s-%d.frames" % (self.tag, attempt))
            self.out_path = os.path.join(self.workdir, "%s-%d.stdout" % (self.tag, attempt))
            for path in (self.log_path, self.out_path):
                if os.path.exists(path):
                    os.remove(path)
            self.frames = FrameLog(self.log_path)
            env = self.x.env(LD_PRELOAD=self.shim, MOLVANE_FRAME_LOG=self.log_path,
                             **self.extra_env)
            with open(self.out_path, "wb") as out:
                self.spawned = time.monotonic_ns()
                self.process = subprocess.Popen(self.command, cwd=self.workdir, env=env,
                                                stdin=subprocess.DEVNULL, stdout=out,
                                                stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + DEADLINE
            while time.monotonic() < deadline:
                if self.frames.read().flips and not wait_for_exit:
                    return self
                if self.process.poll() is not None:
                    break
                time.sleep(POLL)
            else:
                self.kill()
                raise RuntimeError("%s did not get on within %.0f s" % (self.tag, DEADLINE))
            if self.frames.read().flips:
                return self
            if DROPPED_X_CONNECTION not in self.output():
                raise RuntimeError("%s ended before its first frame; it printed:\n%s"
                                   % (self.tag, self.output()))
            self.drops += 1
        raise RuntimeError("%s lost its X connection %d times" % (self.tag, LAUNCH_ATTEMPTS))

    @property
    def pid(self):
        return self.process.pid

    def first_frame(self):
        return self.frames.flips[0][1] - self.spawned

    def output(self):
        with open(self.out_path, "rb") as out:
            return out.read().decode("latin-1")

    def cpu_ticks(self):
        with open("/proc/%d/stat" % self.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])   # utime and stime, fields 14 and 15

    def cpu_ns(self):
        total = 0
        for task in os.listdir("/proc/%d/task" % self.pid):
            try:
                with open("/proc/%d/task/%s/schedstat" % (self.pid, task)) as stat:
                    total += int(stat.read().split()[0])
            except (FileNotFoundError, ProcessLookupError):
                pass
        return total

    def vm_hwm_kib(self):
        with open("/proc/%d/status" % self.pid) as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        raise RuntimeError("no VmHWM")

    def settle(self, deadline=DEADLINE):
        """Waits until the program has logged nothing for QUIET seconds from now on."""
        start = time.monotonic()
        end = start + deadline
        while time.monotonic() < end:
            self.frames.read()
            self.check_running()
            if time.monotonic() - max(start, self.frames.last_change) >= QUIET:
                return
            time.sleep(POLL)
        raise RuntimeError("%s did not settle" % self.tag)

    def wait_until(self, condition, what, deadline=DEADLINE):
        end = time.monotonic() + deadline
        while time.monotonic() < end:
            if condition(self.frames.read()):
                return True
            self.check_running()
            time.sleep(POLL)
        if what is None:
            return False
        raise RuntimeError("%s: timed out waiting for %s" % (self.tag, what))

    def check_running(self):
        if self.process.poll() is not None:
            raise RuntimeError("%s ended unexpectedly; it printed:\n%s"
                               % (self.tag, self.output()))

    def stop(self):
        """Asks the program to close (SDL takes SIGTERM as a window close); returns its status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(DEADLINE)
            except subprocess.TimeoutExpired:
                self.kill()
        return self.process.returncode

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Window:
    """The program's window, found by its caption, with the keyboard focus on it."""

    def __init__(self, x, caption="Molvane"):
        self.x = x
        self.id = None
        deadline = time.monotonic() + DEADLINE
        while self.id is None and time.monotonic() < deadline:
            found = x.tool("xdotool", "search", "--onlyvisible", "--name", "^%s$" % caption)
            ids = [int(word) for word in found.stdout.split()]
            if ids:
                self.id = str(max(ids))  # SDL may map a first window and replace it
            else:
                time.sleep(POLL)
        if self.id is None:
            raise RuntimeError("no %s window" % caption)
        # There is no window manager: give the window the focus, put the pointer on it.
        for args in (["windowfocus", "--sync", self.id],
                     ["mousemove", "--window", self.id, "400", "300"]):
            done = x.tool("xdotool", *args)
            if done.returncode != 0:
                raise RuntimeError("xdotool %s: %s" % (args[0], done.stderr.decode()))

    def screenshot(self):
        for _ in range(X_ATTEMPTS):
            shot = self.x.tool("import", "-window", self.id, "png:-")
            if shot.returncode == 0:
                from PIL import Image
                return Image.open(io.BytesIO(shot.stdout)).convert("RGB")
        return None


# -- measurements ------------------------------------------------------------------------

def percentile(values, share):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * share // 100))
    return ordered[int(rank) - 1]


def summary_ms(values_ns):
    ms = [v / 1e6 for v in values_ns]
    return {"n": len(ms), "median_ms": statistics.median(ms), "p95_ms": percentile(ms, 95),
            "min_ms": min(ms), "max_ms": max(ms)}


def measure_launches(x, commands, runs):
    """Interleaved launches: {tag: [ns to first frame]}, {tag: [VmHWM]}, dropped runs."""
    times = {tag: [] for tag in commands}
    hwm = {tag: [] for tag in commands}
    drops = 0
    for round_number in range(runs + 1):
        for tag, (command, workdir, shim) in commands.items():
            run = Process(x, command, workdir, shim, "launch-" + tag)
            try:
                run.start()
                drops += run.drops
                if round_number > 0:  # round 0 only warms the caches
                    times[tag].append(run.first_frame())
                    run.settle()
                    hwm[tag].append(run.vm_hwm_kib())
            finally:
                run.stop()
                run.kill()
        log("launch round %d of %d done" % (round_number, runs))
    return times, hwm, drops


def bare_flip(x, baseline, workdir, shim, env=None):
    """Median duration of one SDL_Flip when the baseline presents frames back to back."""
    run = Process(x, [baseline, "--flips", str(BARE_FLIPS)], workdir, shim, "flips", env)
    run.start(wait_for_exit=True)
    run.kill()
    durations = [end - start for start, end in run.frames.read().flips[1:]]
    return summary_ms(durations)


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


def baseline_idle(x, baseline, workdir, shim):
    """The baseline's own idle share: it sleeps in SDL_WaitEvent, as the quiz's screens do."""
    run = Process(x, [baseline], workdir, shim, "idle")
    try:
        run.start()
        return idle_share(run, "baseline")
    finally:
        run.stop()
        run.kill()


def idle_share(run, screen):
    """Share of one core used over IDLE_WINDOW seconds with no input."""
    run.settle()
    flips_before = len(run.frames.flips)
    ticks, ns, started = run.cpu_ticks(), run.cpu_ns(), time.monotonic()
    time.sleep(IDLE_WINDOW)
    ticks2, ns2, elapsed = run.cpu_ticks(), run.cpu_ns(), time.monotonic() - started
    run.check_running()
    flips = len(run.frames.read().flips) - flips_before
    share = (ticks2 - ticks) / os.sysconf("SC_CLK_TCK") / elapsed
    log("idle on the %s screen: %.2f%% of a core (%d flips)" % (screen, share * 100, flips))
    return {"screen": screen, "share_stat": share, "share_schedstat": (ns2 - ns) / 1e9 / elapsed,
            "seconds": elapsed, "flips": flips}


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
        result["flood_burst"] = flood(run, xtest, 2000)
        for _ in range(10):
            key_sample(run, xtest, "BackSpace", rng)
        result["flood_mouse"] = flood(run, xtest, 500, rate_hz=125)
        if full:
            # The typed line is no molecule's name, so Enter shows the wrong-answer screen.
            xtest.tap("Return")
            run.settle()
            result["idle_wrong"] = idle_share(run, "wrong answer")
            result["vm_hwm_kib"] = run.vm_hwm_kib()
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


def report(r):
    m, l, s, w = r["machine"], r["launch"], r["session"], r["whatif"]
    k, kw = s["keys"], w["keys"]

    def idle(key):
        i = s[key]
        return ("| Idle CPU, %s screen (%.1f s) | %.2f%% of a core (schedstat: %.2f%%) | <= 1%% | %s |"
                % (i["screen"], i["seconds"], 100 * i["share_stat"], 100 * i["share_schedstat"],
                   verdict(i["share_stat"] <= 0.01)))

    def flood_line(name, f):
        return ("| %s | a letter showed %.0f ms after the first press; %d of %d presses lost;"
                " %d of %d motions delivered; busy %.0f ms after the last motion | - | - |"
                % (name, f["press_to_frame_ms"], f["presses_lost"], f["presses"],
                   f["motions_delivered"], f["motions_sent"], f["busy_after_motions_ms"]))

    lines = [
        "Machine: nproc %d, %s, kernel %s, load average %.2f at start; %s."
        % (m["nproc"], m["cpu"], m["kernel"], m["load_at_start"],
           ", ".join("%s %s" % item for item in r["versions"].items())),
        "",
        "| Measure | Figure | Target | Met |",
        "|---|---|---|---|",
        "| Launch to first frame, baseline (median of %d) | %.1f ms = 1.00 | - | - |"
        % (l["runs"], l["baseline_ms"]),
        "| Launch to home screen, bundled quiz (%d molecules) | %.1f ms = %.2f x baseline | <= 1.3 x | %s |"
        % (r["bundled_molecules"], l["bundled_ms"], l["bundled_ratio"], verdict(l["bundled_ratio"] <= 1.3)),
        "| Launch to home screen, %d molecules | %.1f ms = %.2f x baseline | < 2 s | %s |"
        % (MOLECULES_MANY, l["many_ms"], l["many_ratio"], verdict(l["many_ms"] < 2000)),
        idle("idle_home"), idle("idle_entry"), idle("idle_wrong"),
        "| Idle CPU, baseline window (%.1f s) | %.2f%% of a core (schedstat: %.2f%%) | - | - |"
        % (r["baseline_idle"]["seconds"], 100 * r["baseline_idle"]["share_stat"],
           100 * r["baseline_idle"]["share_schedstat"]),
        "| Key to frame, delivered key-down to the flip that shows the letter (n=%d) |"
        " median %.2f ms, p95 %.2f ms (%.2f x / %.2f x one bare flip) | median <= 5 ms | %s |"
        % (k["delivered"]["n"], k["delivered"]["median_ms"], k["delivered"]["p95_ms"],
           k["delivered"]["median_ms"] / r["bare_flip"]["median_ms"],
           k["delivered"]["p95_ms"] / r["bare_flip"]["median_ms"],
           verdict(k["delivered"]["median_ms"] <= 5)),
        "| Key to frame, X key press to that flip | median %.2f ms, p95 %.2f ms | - | - |"
        % (k["pressed"]["median_ms"], k["pressed"]["p95_ms"]),
        "| Key-down to the start of that flip (the program's own work) | median %.2f ms, p95 %.2f ms | - | - |"
        % (k["own_work"]["median_ms"], k["own_work"]["p95_ms"]),
        "| Key to second flip of the redraw | median %.2f ms, p95 %.2f ms | - | - |"
        % (k["second_flip"]["median_ms"], k["second_flip"]["p95_ms"]),
        "| The frame after the first letter differs from the one before it in the typed-line band |"
        " %s | - | - |" % verdict(bool(k["first_letter_visible"])),
        "| Backspace to frame (n=%d) | median %.2f ms, p95 %.2f ms | - | - |"
        % (k["erase"]["n"], k["erase"]["median_ms"], k["erase"]["p95_ms"]),
        "| One bare SDL_Flip (baseline, %d frames) | median %.2f ms, p95 %.2f ms | - | - |"
        % (BARE_FLIPS, r["bare_flip"]["median_ms"], r["bare_flip"]["p95_ms"]),
        flood_line("Flood: 2,000 motions at once, then a letter", s["flood_burst"]),
        flood_line("Flood: 4 s of a 125 Hz mouse, then a letter", s["flood_mouse"]),
        "| Events kept for a program that takes none for %.0f s while %d motions and a key press arrive"
        " (baseline) | %d events, key press kept: %s | - | - |"
        % (r["held"]["hold_ms"] / 1000, r["held"]["motions_sent"], r["held"]["events_kept"],
           verdict(r["held"]["key_kept"])),
        "| One pointer motion on the answer screen, delivery to the end of its second flip"
        " (median, 125 Hz flood) | %.2f ms (one flip: %.2f ms) | - | - |"
        % (s["flood_mouse"]["event_cost_ms"], s["flood_mouse"]["flip_median_ms"]),
        "| Peak RSS (VmHWM), bundled quiz, whole session | %.1f MiB | - | - |" % (s["vm_hwm_kib"] / 1024),
        "| Peak RSS (VmHWM) at the home screen: baseline / bundled / %d molecules | %.1f / %.1f / %.1f MiB"
        " (%.2f x / %.2f x baseline) | - | - |"
        % (MOLECULES_MANY, r["memory"]["baseline"] / 1024, r["memory"]["bundled"] / 1024,
           r["memory"]["many"] / 1024, r["memory"]["bundled"] / r["memory"]["baseline"],
           r["memory"]["many"] / r["memory"]["baseline"]),
        "",
        "What-if, the same binary with SDL_RENDER_DRIVER=software:",
        "",
        "| Measure | Figure |",
        "|---|---|",
        "| One bare SDL_Flip | median %.2f ms, p95 %.2f ms |"
        % (w["bare_flip"]["median_ms"], w["bare_flip"]["p95_ms"]),
        "| Key to frame, delivered key-down (n=%d) | median %.2f ms, p95 %.2f ms |"
        % (kw["delivered"]["n"], kw["delivered"]["median_ms"], kw["delivered"]["p95_ms"]),
        "| Key to frame, X key press | median %.2f ms, p95 %.2f ms |"
        % (kw["pressed"]["median_ms"], kw["pressed"]["p95_ms"]),
        "| Flood: 2,000 motions at once, then a letter | a letter showed %.0f ms after the first press;"
        " %d of %d presses lost; %d of %d motions delivered |"
        % (w["flood_burst"]["press_to_frame_ms"], w["flood_burst"]["presses_lost"],
           w["flood_burst"]["presses"], w["flood_burst"]["motions_delivered"],
           w["flood_burst"]["motions_sent"]),
        "| Flood: 4 s of a 125 Hz mouse, then a letter | a letter showed %.0f ms after the first press;"
        " %d of %d presses lost; %d of %d motions delivered; busy %.0f ms after the last motion |"
        % (w["flood_mouse"]["press_to_frame_ms"], w["flood_mouse"]["presses_lost"],
           w["flood_mouse"]["presses"], w["flood_mouse"]["motions_delivered"],
           w["flood_mouse"]["motions_sent"], w["flood_mouse"]["busy_after_motions_ms"]),
        "| One pointer motion, delivery to the end of its second flip (median, 125 Hz flood) |"
        " %.2f ms (one flip: %.2f ms) |"
        % (w["flood_mouse"]["event_cost_ms"], w["flood_mouse"]["flip_median_ms"]),
        "| Same pixels as the default renderer (home screen; prompt and typed line) | %s; %s |"
        % (w["same_home"], w["same_entry"]),
    ]
    return "\n".join(lines)


def verdict(met):
    return "yes" if met else "no"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--molvane", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--shim", required=True)
    parser.add_argument("--data", required=True, help="the bundled data/ folder")
    parser.add_argument("--runs", type=int, default=9, help="timed launches of each (at least 5)")
    parser.add_argument("--seed", type=int, default=1, help="seeds the pauses between keys")
    parser.add_argument("--out", help="also write the figures here as JSON")
    parser.add_argument("--keep", action="store_true", help="keep the working folders")
    args = parser.parse_args()
    if args.runs < 5:
        parser.error("--runs must be at least 5")
    molvane, baseline, shim = (os.path.abspath(p) for p in (args.molvane, args.baseline, args.shim))

    scratch = tempfile.mkdtemp(prefix="molvane-bench-")
    x = None
    try:
        bundled_dir = os.path.join(scratch, "bundled")
        many_dir = os.path.join(scratch, "many")
        base_dir = os.path.join(scratch, "baseline")
        os.makedirs(base_dir)
        names = prepare_bundled(os.path.abspath(args.data), bundled_dir)
        prepare_many(os.path.join(bundled_dir, "data"), names, many_dir, MOLECULES_MANY)
        log("quizzes ready: the bundled one with %d molecules, a generated one with %d"
            % (len(names), MOLECULES_MANY))

        x = XServer()
        results = {"machine": machine(), "versions": library_versions(),
                   "bundled_molecules": len(names)}
        commands = {"baseline": ([baseline], base_dir, shim),
                    "bundled": ([molvane], bundled_dir, shim),
                    "many": ([molvane], many_dir, shim)}
        times, hwm, drops = measure_launches(x, commands, args.runs)
        medians = {tag: statistics.median(v) / 1e6 for tag, v in times.items()}
        results["launch"] = {
            "runs": args.runs, "dropped_connections": drops,
            "baseline_ms": medians["baseline"], "bundled_ms": medians["bundled"],
            "many_ms": medians["many"],
            "bundled_ratio": medians["bundled"] / medians["baseline"],
            "many_ratio": medians["many"] / medians["baseline"],
            "all_ms": {tag: [round(v / 1e6, 2) for v in values] for tag, values in times.items()},
        }
        results["memory"] = {tag: max(values) for tag, values in hwm.items()}
        results["bare_flip"] = bare_flip(x, baseline, base_dir, shim)
        results["baseline_idle"] = baseline_idle(x, baseline, base_dir, shim)
        results["held"] = held_events(x, baseline, base_dir, shim)
        results["session"] = session(x, molvane, bundled_dir, shim, random.Random(args.seed))

        whatif = session(x, molvane, bundled_dir, shim, random.Random(args.seed),
                         env=SOFTWARE, full=False)
        whatif["bare_flip"] = bare_flip(x, baseline, base_dir, shim, SOFTWARE)
        s = results["session"]
        whatif["same_home"] = "same" if (whatif["home_picture"] and whatif["home_picture"]
                                         == s["home_picture"]) else "different"
        whatif["same_entry"] = "same" if (whatif["entry_band"] and whatif["entry_band"]
                                          == s["entry_band"]) else "different"
        for key in ("home_picture", "entry_band"):
            whatif.pop(key, None)
            s.pop(key, None)
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
    ok = results["session"]["stdout_ok"] and results["whatif"]["stdout_ok"]
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
