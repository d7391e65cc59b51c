"""The benchmark's common harness: the quizzes it runs on, the private X server, XTEST
input, the shim's frame log and the program under test.

Every process is started with the LD_PRELOAD shim frame_log.so, which appends to the
file named by MOLVANE_FRAME_LOG the CLOCK_MONOTONIC times of the events that
SDL_PollEvent hands the program and of every SDL_Flip (see frame_log.c). The program's
standard output goes untouched to a file of its own. Keys and pointer motion are
injected through the XTEST extension (the path xdotool takes), timed with
time.monotonic_ns(), which reads the same clock.
"""

import io
import os
import shutil
import signal
import statistics
import subprocess
import sys
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
POLL = 0.005             # pause between two looks at a condition
QUIET = 0.3              # no log lines for this long: the screen has settled
MOLECULES_MANY = 500
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


def prepare_quiz(source, folder):
    """Copies a quiz folder for launches only, with the bundled font if it has none;
    returns how many molecules it lists."""
    data = os.path.join(folder, "data")
    shutil.copytree(source, data)
    if not os.path.exists(os.path.join(data, FONT_FILE)):
        shutil.copy(FONT, os.path.join(data, FONT_FILE))
    return len(read_list(os.path.join(data, LIST_FILE)))


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
        # The programs choose their renderer and sound driver themselves, as for a user
        # who set neither; the tests' silent sound driver would hide the choice.
        for name in ("LD_PRELOAD", "SDL_RENDER_DRIVER", "SDL_AUDIODRIVER"):
            if name not in extra:
                env.pop(name, None)
        return env

    def tool(self, *args):
        """Runs an X tool, again when it could not open the display; never raises."""
        return super().tool(*args, check=False)


class XTest:
    """One Xlib connection that injects keys and pointer motion through XTEST."""

    def __init__(self, display):
        self.x11, self.xtst = harness.xtest_libraries()
        self.connection = None
        for _ in range(X_ATTEMPTS):
            self.connection = self.x11.XOpenDisplay(display.encode())
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


# -- figures -----------------------------------------------------------------------------

def percentile(values, share):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * share // 100))
    return ordered[int(rank) - 1]


def summary_ms(values_ns):
    ms = [v / 1e6 for v in values_ns]
    return {"n": len(ms), "median_ms": statistics.median(ms), "p95_ms": percentile(ms, 95),
            "min_ms": min(ms), "max_ms": max(ms)}


def verdict(met):
    return "yes" if met else "no"
