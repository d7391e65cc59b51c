"""End-to-end harness for Molvane.

Every case gets its own Xvfb server and its own temporary working folder with a
generated data/ directory. The program is started there with stdout captured to a
file, driven through XTEST key presses (xdotool) and observed through screenshots of
its window (ImageMagick `import`, read with PIL).

Xvfb on the build machines occasionally drops a new client connection while it is
being set up. The program is always started with SDL_VIDEODRIVER=x11 so that such a
drop fails loudly ("x11 not available" after the start-up failure message); the run
is then started again. X tool calls that could not open the display are repeated.
"""

import ctypes
import ctypes.util
import io
import os
import platform
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

import datagen

BINARY = os.environ.get("MOLVANE_BINARY", "")
SOURCE_DIR = os.environ.get("MOLVANE_SOURCE_DIR", "")  # the repository (--source)

STARTUP_LINES = [
    "Initializing SDL\n",
    "Setting Graphics mode to 800 X 600\n",
    "Initializing Fonts.\n",
    "Loading Fonts.\n",
    "Loading pictures\n",
    "Openning molecule list.\n",
]
SHUTDOWN_LINES = [
    "Freeing surfaces.\n",
    "Closing Molecule list.\n",
    "Closing Fonts.\n",
    "Quitting SDL_TTF.\n",
    "Quitting SDL.\n",
    "Goodbye!",
]
STARTUP = "".join(STARTUP_LINES)
SHUTDOWN = "".join(SHUTDOWN_LINES)

# What a run prints when its X connection was dropped during SDL's set-up.
DROPPED_X_CONNECTION = "x11 not available"
_X_OPEN_FAILURE = re.compile(r"open display|open X server|xdo instance", re.I)

LAUNCH_ATTEMPTS = 5
X_TOOL_ATTEMPTS = 8
DEADLINE = 15.0        # seconds to wait for anything the program should show
POLL = 0.03            # pause between two looks at a condition


def expected_output(*middle, startup=STARTUP):
    """Start-up log, the given lines, then the shut-down log."""
    return startup + "".join(middle) + SHUTDOWN


def startup_until(step):
    """The start-up log lines printed up to and including `step` (1 to 6)."""
    return "".join(STARTUP_LINES[:step])


class XServer:
    """A private Xvfb server; Caps Lock and Num Lock start off on each one."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset",
             "-screen", "0", "1024x768x24"],
            pass_fds=[write_end], stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + DEADLINE
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                ready, _, _ = select.select([read_end], [], [], max(left, 0))
                if not ready:
                    raise RuntimeError("Xvfb did not report its display")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise RuntimeError("Xvfb exited before it was ready")
                number += chunk
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()

    def env(self, **extra):
        env = dict(os.environ)
        env.update(DISPLAY=self.display, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy")
        env.pop("XAUTHORITY", None)
        env.update(extra)
        return env

    def tool(self, *args, check=True, timeout=DEADLINE):
        """Runs an X client tool, repeating it when it could not open the display."""
        for _ in range(X_TOOL_ATTEMPTS):
            result = subprocess.run(list(args), env=self.env(), capture_output=True,
                                    timeout=timeout)
            if result.returncode == 0 or not _X_OPEN_FAILURE.search(
                    result.stderr.decode(errors="replace")):
                break
        if check and result.returncode != 0:
            raise AssertionError("%s failed (%d): %s" % (
                " ".join(args), result.returncode, result.stderr.decode(errors="replace")))
        return result

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Run:
    """One run of the program in `workdir` on `xserver`."""

    def __init__(self, xserver, workdir, env=None):
        self.x = xserver
        self.workdir = workdir
        self.extra_env = env or {}
        self.process = None
        self.window = None
        self._focused = None
        self.out_path = os.path.join(workdir, "stdout.txt")

    # -- process --------------------------------------------------------------

    def _spawn(self):
        with open(self.out_path, "wb") as out:
            self.process = subprocess.Popen(
                [BINARY], cwd=self.workdir, env=self.x.env(**self.extra_env),
                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)

    def _dropped(self):
        return self.process.poll() is not None and DROPPED_X_CONNECTION in self.output()

    def start(self, window=True):
        """Starts the program; with `window`, waits until its window is set up.

        Runs that lost their X connection during SDL's set-up are started again.
        """
        for _ in range(LAUNCH_ATTEMPTS):
            self._spawn()
            if not window:
                self.finish()
            elif self._wait_until_set_up():
                self.window = self._find_window()
                return self
            if not self._dropped():
                if window:
                    raise AssertionError("the program ended during start-up; it printed:\n"
                                         + self.output())
                return self
            sys.stderr.write("(the X connection was dropped; starting the run again)\n")
        raise AssertionError("the X connection was dropped %d times" % LAUNCH_ATTEMPTS)

    def _list_open(self):
        fds = "/proc/%d/fd" % self.process.pid
        try:
            return any(os.readlink(os.path.join(fds, fd)).endswith("/data/" + datagen.LIST_FILE)
                       for fd in os.listdir(fds))
        except OSError:
            return False

    def _wait_until_set_up(self):
        """Waits until start-up has opened the molecule list; False if the run ended.

        SDL may show a first window and replace it while it sets the video mode, so
        keys sent before that step is over can be lost. The list is opened after it,
        and stays open until the run ends.
        """
        deadline = time.monotonic() + DEADLINE
        while time.monotonic() < deadline:
            if self._list_open():
                return True
            if self.process.poll() is not None:
                return False
            time.sleep(POLL)
        raise AssertionError("start-up did not open the molecule list in time")

    def _find_window(self):
        deadline = time.monotonic() + DEADLINE
        while time.monotonic() < deadline:
            found = self.x.tool("xdotool", "search", "--onlyvisible", "--name", "^Molvane$",
                                check=False)
            if found.stdout.split():
                return found.stdout.split()[0].decode()
            time.sleep(POLL)
        raise AssertionError("the Molvane window did not appear in time")

    def _focus(self):
        """Gives the window the keyboard focus (there is no window manager to do it)."""
        if self._focused != self.window:
            self.x.tool("xdotool", "windowfocus", "--sync", self.window)
            self._focused = self.window

    def running(self):
        return self.process.poll() is None

    def finish(self, timeout=DEADLINE):
        """Waits for the program to end; returns (exit status, stdout text)."""
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise AssertionError("the program did not end; it printed:\n" + self.output())
        return self.process.returncode, self.output()

    def output(self):
        with open(self.out_path, "rb") as out:
            return out.read().decode("latin-1")

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    # -- input ----------------------------------------------------------------

    def key(self, *keys):
        """Presses and releases each key (xdotool key names or keycodes) in turn."""
        self._focus()
        self.x.tool("xdotool", "key", "--delay", "15", *keys)

    def key_down(self, key):
        self._focus()
        self.x.tool("xdotool", "keydown", key)

    def key_up(self, key):
        self._focus()
        self.x.tool("xdotool", "keyup", key)

    def key_until_end(self, key):
        """Presses `key` until the program ends: for a screen that shows no change."""
        deadline = time.monotonic() + DEADLINE
        while self.running() and time.monotonic() < deadline:
            self.key(key)
            try:
                self.process.wait(0.2)
            except subprocess.TimeoutExpired:
                pass

    def type_text(self, text):
        self.key(*datagen.keys_for(text))

    def mouse_move(self, x, y):
        """Moves the pointer to (x, y) in window coordinates."""
        self._focus()
        self.x.tool("xdotool", "mousemove", "--window", self.window, str(x), str(y))

    def click(self):
        self._focus()
        self.x.tool("xdotool", "click", "1")

    def quick_tap(self, keysym):
        """Presses and releases a key in one request to the X server, as a touch keyboard
        does: the program then reads the press and the release together."""
        self._focus()
        send_tap(self.x.display, keysym)

    def sleeping(self):
        """True while the program's main thread sleeps in a wait for file descriptors."""
        try:
            with open("/proc/%d/task/%d/syscall" % (self.process.pid, self.process.pid)) as call:
                number = call.read().split()[0]
        except (OSError, IndexError):
            return False
        return number.isdigit() and int(number) in _WAIT_SYSCALLS.get(platform.machine(), ())

    def wait_until_sleeping(self):
        """Waits until the program sleeps until input comes."""
        deadline = time.monotonic() + DEADLINE
        while time.monotonic() < deadline:
            if self.sleeping():
                return
            if not self.running():
                raise AssertionError("the program ended; it printed:\n" + self.output())
            time.sleep(POLL)
        raise AssertionError("the program did not go to sleep waiting for input")

    def motion_burst(self, motions):
        """Moves the pointer to and fro over the window `motions` times, as fast as the X
        server takes the motions, each on its own."""
        self.mouse_move(400, 300)
        send_motions(self.x.display, motions)

    def unmap_and_map(self):
        """Takes the window off the screen and puts it back, as minimising and restoring
        it does: what it showed is gone until the program draws it again."""
        for command in ("windowunmap", "windowmap"):
            self.x.tool("xdotool", command, "--sync", self.window)
        self._focused = None  # an unmapped window loses the keyboard focus
        self._focus()

    def close_window(self):
        """Asks the window to close, as a window manager's close button does."""
        send_delete_window(self.x.display, int(self.window, 0))

    # -- output ---------------------------------------------------------------

    def screenshot(self):
        """The window's content as an RGB image, or None if it could not be read."""
        if not self.running():
            return None  # import would wait for a window to be picked by hand
        try:
            shot = self.x.tool("import", "-silent", "-window", self.window, "png:-",
                               check=False, timeout=5)
        except subprocess.TimeoutExpired:
            return None
        if shot.returncode != 0:
            return None
        return Image.open(io.BytesIO(shot.stdout)).convert("RGB")

    def wait_for(self, condition, what):
        """Screenshots the window until `condition(image)` holds; returns that image.

        Nothing is sent to the program meanwhile: every screen must show itself from
        the input the test gave it, while the program sleeps until the next event.
        """
        deadline = time.monotonic() + DEADLINE
        image = None
        while time.monotonic() < deadline:
            image = self.screenshot() or image
            if image is not None and condition(image):
                return image
            if not self.running():
                raise AssertionError("the program ended while waiting for %s; it printed:\n%s"
                                     % (what, self.output()))
            time.sleep(POLL)
        seen = "nothing" if image is None else "pixels (10,10)=%s (400,50)=%s" % (
            image.getpixel((10, 10)), image.getpixel((400, 50)))
        raise AssertionError("timed out waiting for %s; last saw %s" % (what, seen))

    def wait_picture(self, colour, what):
        """Waits until a full-window picture of `colour` is shown."""
        return self.wait_for(lambda im: im.getpixel((10, 10)) == colour, what)

    def wait_question(self, colour=None):
        """Waits for the answer screen; returns (molecule colour, image).

        With `colour`, waits for that molecule; otherwise for any generated molecule.
        """
        def asked(im):
            if im.getpixel((10, 10)) != datagen.BACKGROUND:
                return False
            shown = im.getpixel(MOLECULE_POINT)
            return shown == colour if colour else shown in datagen.MOLECULE_COLOURS
        image = self.wait_for(asked, "the answer screen with molecule %s" % (colour,))
        return image.getpixel(MOLECULE_POINT), image

    def answer_first(self, colour, answer, submit="Return"):
        """Leaves the home screen and answers the molecule of `colour`, asked first."""
        self.wait_picture(datagen.HOME, "the home screen")
        self.key("space")
        self.wait_question(colour)
        self.type_text(answer)
        self.key(submit)


# The molecule pictures are 200 by 200, centred at the top: x 300..499, y 0..199.
MOLECULE_POINT = (400, 50)
# The typed line is centred on y = 450 (and the prompt on y = 375).
TEXT_AREA = (150, 420, 650, 480)


def text_area_blank(image):
    """True when the typed-line area shows nothing but the background."""
    colours = image.crop(TEXT_AREA).getcolors()
    return colours is not None and [c for _, c in colours] == [datagen.BACKGROUND]


# poll, select, ppoll, pselect6, epoll_wait and epoll_pwait, by machine.
_WAIT_SYSCALLS = {"x86_64": (7, 23, 271, 270, 232, 281), "aarch64": (73, 72, 22)}


def _open_display(xlib, display):
    """An Xlib connection to display, retried as the X server drops some new ones."""
    for _ in range(X_TOOL_ATTEMPTS):
        connection = xlib.XOpenDisplay(display.encode())
        if connection:
            return connection
    raise AssertionError("cannot open display " + display)


def xtest_libraries():
    """(Xlib, XTEST) through ctypes, with the prototypes that key and pointer injection
    use: opening and closing a display, keysyms to keycodes, flushing and syncing, fake
    key presses and relative pointer motion."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XStringToKeysym.restype = ctypes.c_ulong
    xlib.XStringToKeysym.argtypes = [ctypes.c_char_p]
    xlib.XKeysymToKeycode.restype = ctypes.c_ubyte
    xlib.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
    xtst.XTestFakeRelativeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                  ctypes.c_ulong]
    return xlib, xtst


def send_tap(display, keysym):
    """Sends a key press and its release through XTEST with one flush."""
    xlib, xtst = xtest_libraries()
    connection = _open_display(xlib, display)
    try:
        code = xlib.XKeysymToKeycode(connection, xlib.XStringToKeysym(keysym.encode()))
        xtst.XTestFakeKeyEvent(connection, code, 1, 0)
        xtst.XTestFakeKeyEvent(connection, code, 0, 0)
        xlib.XSync(connection, 0)
    finally:
        xlib.XCloseDisplay(connection)


def send_motions(display, motions):
    """Sends `motions` relative pointer motions through XTEST, one pixel to and fro,
    waiting for the server to take each, so that it merges none of them."""
    xlib, xtst = xtest_libraries()
    connection = _open_display(xlib, display)
    try:
        for k in range(motions):
            xtst.XTestFakeRelativeMotionEvent(connection, 1 if k % 2 == 0 else -1, 0, 0)
            xlib.XSync(connection, 0)
    finally:
        xlib.XCloseDisplay(connection)


def send_delete_window(display, window):
    """Sends WM_DELETE_WINDOW to `window` the way window managers do."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    connection = _open_display(xlib, display)
    try:
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        xlib.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
        xlib.XFlush(connection)
    finally:
        xlib.XCloseDisplay(connection)


class MolvaneCase(unittest.TestCase):
    """Base class: a private X server and working folder for every test."""

    maxDiff = None

    def setUp(self):
        if not BINARY:
            self.fail("the molvane binary was not given (--binary PATH)")
        self.workdir = tempfile.mkdtemp(prefix="molvane-e2e-")
        self.addCleanup(shutil.rmtree, self.workdir, ignore_errors=True)
        self.x = XServer()
        self.addCleanup(self.x.stop)

    def make_data(self, names=(), **options):
        """Generates data/ in the working folder; returns {name: colour}."""
        return datagen.make_data(os.path.join(self.workdir, "data"), names, **options)

    def launch(self, window=True, env=None):
        run = Run(self.x, self.workdir, env)
        self.addCleanup(run.kill)
        return run.start(window)

    def assertEnds(self, run, expected):
        """The run ends with exit status 1 and exactly the `expected` output."""
        status, output = run.finish()
        self.assertEqual(output, expected)
        self.assertEqual(status, 1)


def main():
    """Runs the calling module's tests: main.py [--binary PATH] [--source DIR] [unittest args]."""
    global BINARY, SOURCE_DIR
    args = sys.argv[1:]
    rest = []
    while args:
        arg = args.pop(0)
        if arg == "--binary":
            BINARY = os.path.abspath(args.pop(0))
        elif arg == "--source":
            SOURCE_DIR = os.path.abspath(args.pop(0))
        else:
            rest.append(arg)
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
