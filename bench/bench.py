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
TYPING_FLOOD_SECONDS = 5.0  # a fast mouse over the window while the player types
TYPING_FLOOD_HZ = 1000
TYPING_FLOOD_LETTERS = 50
TYPING_FLOOD_KEY_HZ = 10
TYPING_FLOOD_AFTER = 0.5    # the pointer goes on moving this long after Enter
PICTURE_FLOOD_SECONDS = 2.0
MOTION_SLACK = 0.005        # a paced pointer catches up on at most this much delay
# What the program chooses for itself when the user has not set SDL_RENDER_DRIVER.
SOFTWARE_DRAWING = {"SDL_RENDER_DRIVER": "software", "SDL_FRAMEBUFFER_ACCELERATION": "software"}
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
        self.calls = []    # (name, start, end, returned pointer): start-up calls
        self.blits = []    # (time, source surface pointer)
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
            elif fields[0] == b"B":
                self.blits.append((int(fields[1]), fields[2].decode()))
            elif fields[0] == b"C":
                self.calls.append((fields[1].decode(), int(fields[2]), int(fields[3]),
                                   fields[4].decode()))
        return self

    def loaded(self):
        """The pointers SDL_LoadBMP_RW returned, in order: background, correct, incorrect,
        last, the molecules, then the home picture."""
        return [c[3] for c in self.calls if c[0] == "SDL_LoadBMP_RW"]

    def first_flip_after_blit(self, surface, since):
        """End of the first flip that starts after `surface` was drawn at or after `since`."""
        drawn = next((t for t, p in self.blits if t >= since and p == surface), None)
        if drawn is None:
            return None
        return next((end for start, end in self.flips if start >= drawn), None)


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


def launch_phases(run):
    """Where one launch spent its time, from the spawn to the end of the first flip:
    [(phase, ns)], read from the start-up calls the shim logged."""
    frames = run.frames
    first = {}
    for name, start, end, _ in frames.calls:
        first.setdefault(name, (start, end))
    loads = [(start, end) for name, start, end, _ in frames.calls if name == "SDL_LoadBMP_RW"]
    marks = [("spawn", run.spawned)]
    if "SDL_Init" in first:
        marks += [("exec, linking, static set-up", first["SDL_Init"][0]),
                  ("SDL_Init", first["SDL_Init"][1])]
    if "SDL_SetVideoMode" in first:
        marks.append(("caption and SDL_SetVideoMode", first["SDL_SetVideoMode"][1]))
    if "TTF_OpenFont" in first:
        marks.append(("TTF_Init and TTF_OpenFont", first["TTF_OpenFont"][1]))
    if len(loads) >= 6:
        marks += [("four fixed pictures", loads[3][1]),
                  ("list and %d molecule pictures" % (len(loads) - 5), loads[-2][1]),
                  ("home picture", loads[-1][1])]
    marks.append(("first frame: draw and SDL_Flip", frames.flips[0][1]))
    return [(label, t - marks[k][1]) for k, (label, t) in enumerate(marks[1:])]


def measure_launches(x, commands, runs):
    """Interleaved launches: {tag: [ns to first frame]}, {tag: [VmHWM]}, dropped runs,
    {tag: {phase: [ns]}}."""
    times = {tag: [] for tag in commands}
    hwm = {tag: [] for tag in commands}
    phases = {tag: {} for tag in commands}
    drops = 0
    for round_number in range(runs + 1):
        for tag, (command, workdir, shim, env) in commands.items():
            run = Process(x, command, workdir, shim, "launch-" + tag, env)
            try:
                run.start()
                drops += run.drops
                if round_number > 0:  # round 0 only warms the caches
                    times[tag].append(run.first_frame())
                    run.frames.read()
                    for label, ns in launch_phases(run):
                        phases[tag].setdefault(label, []).append(ns)
                    run.settle()
                    hwm[tag].append(run.vm_hwm_kib())
            finally:
                run.stop()
                run.kill()
        log("launch round %d of %d done" % (round_number, runs))
    return times, hwm, drops, phases


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


KEYSYMS = {"Return": 13, "space": 32}


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
    presses, sent = paced_flood(xtest, enter_at + TYPING_FLOOD_AFTER, TYPING_FLOOD_HZ, keys)
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
        # The typed line is no molecule's name, so Enter shows the wrong-answer screen.
        xtest.tap("Return")
        run.settle()
        if full:
            result["idle_wrong"] = idle_share(run, "wrong answer")
        # A fast pointer over the wrong-answer screen, then over the question screen
        # while the player types and submits.
        result["picture_flood"] = picture_flood(run, xtest)
        result["typing_flood"] = typing_flood(run, xtest)
        if full:
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
    b = r.get("before")
    kinds = l["kinds"]
    base = kinds["baseline"]["ms"]
    base_sw = kinds["baseline-software"]["ms"]

    def both(f, key=None):
        """One figure for the program measured now and, with --before, for the earlier one."""
        after = f(s)
        return (f(b) if b else "-"), after

    def ms(v):
        return "-" if v is None else "%.0f ms" % v

    def dist(d):
        return "-" if not d else "median %.2f ms, p95 %.2f ms" % (d["median_ms"], d["p95_ms"])

    def idle(key):
        def f(x):
            i = x[key]
            return "%.2f%% (schedstat %.2f%%)" % (100 * i["share_stat"], 100 * i["share_schedstat"])
        return f

    def flood_text(name):
        def f(x):
            fl = x[name]
            return ("letter after %.0f ms; %d of %d presses lost; %d of %d motions delivered;"
                    " busy %.0f ms after the last motion"
                    % (fl["press_to_frame_ms"], fl["presses_lost"], fl["presses"],
                       fl["motions_delivered"], fl["motions_sent"], fl["busy_after_motions_ms"]))
        return f

    def tf(x):
        return x["typing_flood"]

    def launch_line(tag, label, target="-", met="-"):
        k = kinds[tag]
        return ("| Launch to %s (median of %d) | %.1f ms | %.2f x | %.2f x | %s | %s |"
                % (label, l["runs"], k["ms"], k["ms"] / base, k["ms"] / base_sw, target, met))

    lines = [
        "Machine: nproc %d, %s, kernel %s, load average %.2f at start; %s."
        % (m["nproc"], m["cpu"], m["kernel"], m["load_at_start"],
           ", ".join("%s %s" % item for item in r["versions"].items())),
        "",
        "Launch, interleaved in one run (ratios to the bare window as SDL sets it up by"
        " default, and to the bare window drawn in software as the program now chooses):",
        "",
        "| Launch | Median | Ratio | Ratio to the software-drawn bare window | Target | Met |",
        "|---|---|---|---|---|---|",
        launch_line("baseline", "first frame, bare window"),
        launch_line("baseline-software", "first frame, bare window drawn in software"),
    ]
    if "before" in kinds:
        lines.append(launch_line("before", "home screen, bundled quiz (%d molecules), before"
                                 % r["bundled_molecules"]))
    lines.append(launch_line("bundled", "home screen, bundled quiz (%d molecules)"
                             % r["bundled_molecules"], "<= 1.1 x",
                             verdict(kinds["bundled"]["ms"] / base <= 1.1)))
    for tag in r["extra_quizzes"]:
        lines.append(launch_line(tag, "home screen, quiz %s (%d molecules)"
                                 % (tag, r["extra_molecules"][tag]), "<= 1.1 x",
                                 verdict(kinds[tag]["ms"] / base <= 1.1)))
    lines.append(launch_line("many", "home screen, %d molecules" % MOLECULES_MANY, "< 2 s",
                             verdict(kinds["many"]["ms"] < 2000)))
    labels = []
    for k in kinds.values():
        for label in k["phases_ms"]:
            if label not in labels:
                labels.append(label)
    tags = list(kinds)
    lines += ["", "Where launch goes (medians; the phases of one launch add up to its total):", "",
              "| Phase | " + " | ".join(tags) + " |", "|---|" + "---|" * len(tags)]
    for label in labels:
        cells = [("%.1f" % kinds[t]["phases_ms"][label]) if label in kinds[t]["phases_ms"]
                 else "" for t in tags]
        lines.append("| %s | %s |" % (label, " | ".join(cells)))

    rows = [
        ("Idle CPU, home screen (of a core)", both(idle("idle_home")), "<= 1 %"),
        ("Idle CPU, answer-entry screen", both(idle("idle_entry")), "<= 1 %"),
        ("Idle CPU, wrong-answer screen", both(idle("idle_wrong")), "<= 1 %"),
        ("Key to frame, delivered key-down to the flip that shows the letter",
         both(lambda x: dist(x["keys"]["delivered"])), "-"),
        ("Key to frame, X key press to that flip", both(lambda x: dist(x["keys"]["pressed"])), "-"),
        ("Key-down to the start of that flip (the program's own work)",
         both(lambda x: dist(x["keys"]["own_work"])), "-"),
        ("Backspace to frame", both(lambda x: dist(x["keys"]["erase"])), "-"),
        ("Flood: 2,000 motions at once, then a letter", both(flood_text("flood_burst")), "-"),
        ("Flood: 4 s of a 125 Hz mouse, then a letter", both(flood_text("flood_mouse")), "-"),
        ("Typing under a %d Hz pointer: motions sent / delivered" % TYPING_FLOOD_HZ,
         both(lambda x: "%d (%.0f Hz) / %d" % (tf(x)["motions_sent"], tf(x)["rate_hz"],
                                               tf(x)["motions_delivered"])), "-"),
        ("Typing under that pointer: presses lost (%d letters and Enter)" % TYPING_FLOOD_LETTERS,
         both(lambda x: "%d of %d" % (tf(x)["presses_lost"], tf(x)["presses"])), "none"),
        ("Typing under that pointer: X key press to the frame that shows the letter",
         both(lambda x: dist(tf(x)["pressed"])), "p95 <= 30 ms"),
        ("Typing under that pointer: delivered key-down to that frame",
         both(lambda x: dist(tf(x)["delivered"])), "-"),
        ("Typing under that pointer: Enter to the wrong-answer screen",
         both(lambda x: ms(tf(x)["enter_to_answer_screen_ms"])), "<= 100 ms"),
        ("Wrong-answer screen under that pointer: space to the question screen",
         both(lambda x: "%s%s" % (ms(x["picture_flood"]["key_to_question_ms"]),
                                  "; press lost" if x["picture_flood"]["press_lost"] else "")), "-"),
        ("Peak RSS (VmHWM), bundled quiz, whole session",
         both(lambda x: "%.1f MiB" % (x["vm_hwm_kib"] / 1024)), "-"),
    ]
    t = tf(s)
    met = {
        "Typing under that pointer: presses lost": t["presses_lost"] == 0,
        "Typing under that pointer: X key press": bool(t["pressed"]) and t["pressed"]["p95_ms"] <= 30,
        "Typing under that pointer: Enter": (t["enter_to_answer_screen_ms"] is not None
                                             and t["enter_to_answer_screen_ms"] <= 100),
        "Idle CPU, home": s["idle_home"]["share_stat"] <= 0.01,
        "Idle CPU, answer": s["idle_entry"]["share_stat"] <= 0.01,
        "Idle CPU, wrong": s["idle_wrong"]["share_stat"] <= 0.01,
    }
    lines += ["", "| Measure | Before | After | Target | Met |", "|---|---|---|---|---|"]
    for name, (before, after), target in rows:
        ok = next((verdict(v) for prefix, v in met.items() if name.startswith(prefix)), "-")
        lines.append("| %s | %s | %s | %s | %s |" % (name, before, after, target, ok))
    lines += [
        "",
        "| Other measures | Figure |",
        "|---|---|",
        "| Idle CPU, bare window | %.2f%% (schedstat %.2f%%) |"
        % (100 * r["baseline_idle"]["share_stat"], 100 * r["baseline_idle"]["share_schedstat"]),
        "| One bare SDL_Flip (bare window, %d frames), SDL's default / drawn in software |"
        " median %.2f / %.2f ms, p95 %.2f / %.2f ms |"
        % (BARE_FLIPS, r["bare_flip"]["median_ms"], w["bare_flip"]["median_ms"],
           r["bare_flip"]["p95_ms"], w["bare_flip"]["p95_ms"]),
        "| Events kept for a program that takes none for %.0f s while %d motions and a key"
        " press arrive (bare window) | %d events, key press kept: %s |"
        % (r["held"]["hold_ms"] / 1000, r["held"]["motions_sent"], r["held"]["events_kept"],
           verdict(r["held"]["key_kept"])),
        "| Peak RSS (VmHWM) at the home screen (first frame for the bare window): %s |"
        " %s MiB |" % (" / ".join(r["memory"]), " / ".join("%.1f" % (v / 1024)
                                                         for v in r["memory"].values())),
        "",
        "What-if, the program measured now with SDL_RENDER_DRIVER=%s:" % r["whatif_renderer"],
        "",
        "| Measure | As built | With SDL_RENDER_DRIVER=%s |" % r["whatif_renderer"],
        "|---|---|---|",
        "| Key to frame, delivered key-down | %s | %s |"
        % (dist(s["keys"]["delivered"]), dist(w["keys"]["delivered"])),
        "| Key to frame, X key press | %s | %s |"
        % (dist(s["keys"]["pressed"]), dist(w["keys"]["pressed"])),
        "| Flood: 2,000 motions at once, then a letter | %s | %s |"
        % (flood_text("flood_burst")(s), flood_text("flood_burst")(w)),
        "| Flood: 4 s of a 125 Hz mouse, then a letter | %s | %s |"
        % (flood_text("flood_mouse")(s), flood_text("flood_mouse")(w)),
        "| Typing under a %d Hz pointer: presses lost; X key press to frame; Enter to the"
        " answer screen | %d lost; %s; %s | %d lost; %s; %s |"
        % (TYPING_FLOOD_HZ, tf(s)["presses_lost"], dist(tf(s)["pressed"]),
           ms(tf(s)["enter_to_answer_screen_ms"]), tf(w)["presses_lost"], dist(tf(w)["pressed"]),
           ms(tf(w)["enter_to_answer_screen_ms"])),
        "| Same pixels (home screen; prompt and typed line) | - | %s; %s |"
        % (w["same_home"], w["same_entry"]),
    ]
    return "\n".join(lines)


def verdict(met):
    return "yes" if met else "no"


def prepare_quiz(source, folder):
    """Copies a quiz folder for launches only, with the bundled font if it has none;
    returns how many molecules it lists."""
    data = os.path.join(folder, "data")
    shutil.copytree(source, data)
    if not os.path.exists(os.path.join(data, FONT_FILE)):
        shutil.copy(FONT, os.path.join(data, FONT_FILE))
    return len(read_list(os.path.join(data, LIST_FILE)))


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
