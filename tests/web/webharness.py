"""Plays the browser build of the quiz in headless Chromium.

A run makes a site in a temporary folder with the site tool (tools/web_site.py): the
program that scripts/web built, the page of site/ and a quiz folder of the
test's own, or copies the whole built site. It serves that folder from 127.0.0.1 and
opens it in Debian's chromium through chromium-driver. Keys go in through the DevTools
protocol (Input.dispatchKeyEvent), as a keyboard's would; the page contract
(window.molvane) and the canvas pixels come back out.
"""

import argparse
import base64
import functools
import http.server
import io
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import unittest

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import datagen  # noqa: E402  (the end-to-end tests' data generator)

CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-dev-shm-usage", "--window-size=1000,800",
]

# What the DevTools protocol needs to type one key, by the name used in the tests:
# (key, code, Windows virtual key code, location, text typed).
_LETTERS = {c: (c, "Key" + c.upper(), ord(c.upper()), 0, c) for c in "abcdefghijklmnopqrstuvwxyz"}
_DIGITS = {c: (c, "Digit" + c, ord(c), 0, c) for c in "0123456789"}
_KEYPAD = {"KP_" + c: (c, "Numpad" + c, 96 + int(c), 3, c) for c in "0123456789"}
KEYS = dict(_LETTERS, **_DIGITS, **_KEYPAD)
KEYS.update({
    "space": (" ", "Space", 32, 0, " "),
    "minus": ("-", "Minus", 189, 0, "-"),
    "comma": (",", "Comma", 188, 0, ","),
    "period": (".", "Period", 190, 0, "."),
    "slash": ("/", "Slash", 191, 0, "/"),
    "Return": ("Enter", "Enter", 13, 0, "\r"),
    "BackSpace": ("Backspace", "Backspace", 8, 0, ""),
    "Escape": ("Escape", "Escape", 27, 0, ""),
    "Down": ("ArrowDown", "ArrowDown", 40, 0, ""),
    "Shift_L": ("Shift", "ShiftLeft", 16, 1, ""),
    "Shift_R": ("Shift", "ShiftRight", 16, 2, ""),
    "Caps_Lock": ("CapsLock", "CapsLock", 20, 0, ""),
    "Num_Lock": ("NumLock", "NumLock", 144, 0, ""),
    "KP_Decimal": (".", "NumpadDecimal", 110, 3, "."),
    "KP_Divide": ("/", "NumpadDivide", 111, 3, "/"),
    "KP_Multiply": ("*", "NumpadMultiply", 106, 3, "*"),
    "KP_Subtract": ("-", "NumpadSubtract", 109, 3, "-"),
    "KP_Add": ("+", "NumpadAdd", 107, 3, "+"),
    "KP_Enter": ("Enter", "NumpadEnter", 13, 3, "\r"),
})
SHIFT_MODIFIER = 8


def repo_root():
    return os.path.abspath(os.path.join(HERE, "..", ".."))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class UnpackingHostHandler(QuietHandler):
    """A host that sends .gz files with Content-Encoding: gzip, which has the browser
    unpack them, as some static hosts are set up to."""

    def end_headers(self):
        if urllib.parse.urlsplit(self.path).path.endswith(".gz"):
            self.send_header("Content-Encoding", "gzip")
        super().end_headers()


class Server:
    """Serves one folder from 127.0.0.1 on a free port."""

    def __init__(self, folder, handler_class=QuietHandler):
        handler = functools.partial(handler_class, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def site_tool(*args):
    """Runs tools/web_site.py with args; fails on a non-zero exit."""
    subprocess.run([sys.executable, os.path.join(repo_root(), "tools", "web_site.py")]
                   + list(args), check=True, stdout=subprocess.DEVNULL)


def make_site(web_dir, data_dir, site_dir, quiz_id="quiz", page_dir=None):
    """Writes a site of the one quiz in data_dir into site_dir, with the program of the
    site built in web_dir and the page of page_dir (default: site/); its
    index.html opens straight into the quiz."""
    page_dir = page_dir or os.path.join(repo_root(), "site")
    site_tool("build", site_dir, "--program", web_dir, "--icons", os.path.join(web_dir, "icons"),
              "--page", page_dir, "--quiz", data_dir, "--id", quiz_id)


def copy_site(web_dir, site_dir):
    """Copies the site built in web_dir, every quiz included, to site_dir."""
    shutil.copytree(web_dir, site_dir)


def start_browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    profile = tempfile.mkdtemp(prefix="molvane-chromium-")
    options.add_argument("--user-data-dir=" + profile)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.molvane_profile = profile
    return driver


def emulate_phone(driver, width, height, scale=2):
    """Makes the browser's tab a touch phone of width x height CSS pixels, with scale
    device pixels to a CSS pixel."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": scale, "mobile": True})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                           {"enabled": True, "maxTouchPoints": 5})


def emulate_desktop(driver):
    """Undoes emulate_phone: the browser's own window, a mouse and no touch screen."""
    driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})


def stop_browser(driver):
    try:
        driver.quit()
    finally:
        shutil.rmtree(driver.molvane_profile, ignore_errors=True)


class Page:
    """One quiz page in a browser tab."""

    def __init__(self, driver, url):
        self.driver = driver
        self.modifiers = 0
        driver.get(url)

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def contract(self):
        return self.driver.execute_script(
            "return window.molvane && {output: molvane.output, exitStatus: molvane.exitStatus,"
            " error: molvane.error};")

    def wait_for(self, condition, what, timeout=10.0):
        """Polls condition() until it is true; fails with `what` after timeout seconds."""
        deadline = time.monotonic() + timeout
        while True:
            result = condition()
            if result:
                return result
            if time.monotonic() > deadline:
                raise AssertionError("timed out waiting for %s; page: %r" % (what, self.contract()))
            time.sleep(0.02)

    def wait_for_end(self, timeout=10.0):
        """Waits until the program has exited and returns the page contract."""
        self.wait_for(lambda: (self.contract() or {}).get("exitStatus") is not None,
                      "the end of the run", timeout)
        return self.contract()

    def key_event(self, kind, name, repeat=False):
        key, code, vk, location, text = KEYS[name]
        params = {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": vk,
                  "nativeVirtualKeyCode": vk, "location": location, "modifiers": self.modifiers,
                  "autoRepeat": repeat}
        if kind == "keyDown" and text:
            params["text"] = text
            params["unmodifiedText"] = text
        if kind == "keyDown" and key == "Shift":
            self.modifiers |= SHIFT_MODIFIER
            params["modifiers"] = self.modifiers
        self.cdp("Input.dispatchKeyEvent", **params)
        if kind == "keyUp" and key == "Shift":
            self.modifiers &= ~SHIFT_MODIFIER

    def press(self, *names):
        """Presses and releases each named key in turn."""
        for name in names:
            self.key_event("keyDown", name)
            self.key_event("keyUp", name)

    def type_text(self, text):
        """Types text; capitals with the left Shift."""
        for char in text:
            if "A" <= char <= "Z":
                self.key_event("keyDown", "Shift_L")
                self.press(char.lower())
                self.key_event("keyUp", "Shift_L")
            else:
                self.press({" ": "space", "-": "minus", ",": "comma", ".": "period",
                            "/": "slash", "+": "KP_Add"}.get(char, char))

    def emulate_phone(self, width, height):
        """Makes the tab a touch phone of width x height CSS pixels; (pointer: coarse)
        matches from the next navigation on."""
        emulate_phone(self.driver, width, height)

    def key_centre(self, key):
        """The centre of the on-screen key whose data-key is key, in CSS pixels."""
        return self.driver.execute_script(
            "var wanted = arguments[0];"
            "var button = Array.prototype.find.call(document.querySelectorAll('#keyboard [data-key]'),"
            " function(k) { return k.getAttribute('data-key') === wanted; });"
            "var r = button.getBoundingClientRect();"
            "return [r.left + r.width / 2, r.top + r.height / 2];", key)

    def touch(self, kind, x=None, y=None):
        """One touch event: "touchStart" at (x, y) or "touchEnd"."""
        points = [] if kind == "touchEnd" else [{"x": x, "y": y, "id": 1}]
        self.cdp("Input.dispatchTouchEvent", type=kind, touchPoints=points)

    def tap(self, *keys):
        """Taps each on-screen key (by its data-key) in turn, each at its centre."""
        for key in keys:
            x, y = self.key_centre(key)
            self.touch("touchStart", x, y)
            self.touch("touchEnd")

    def tap_text(self, text):
        """Taps text on the on-screen keyboard; capitals with a latched Shift."""
        for char in text:
            if "A" <= char <= "Z":
                self.tap("Shift", char.lower())
            else:
                self.tap(char)

    def canvas(self):
        """The canvas as a PIL image of 800 x 600."""
        data = self.driver.execute_script(
            "return document.getElementById('canvas').toDataURL('image/png');")
        return Image.open(io.BytesIO(base64.b64decode(data.split(",", 1)[1]))).convert("RGB")

    def pixel(self, x=5, y=5):
        return self.canvas().getpixel((x, y))

    def wait_for_pixel(self, colour, x=5, y=5, what=None, timeout=10.0):
        self.wait_for(lambda: self.pixel(x, y) == tuple(colour),
                      what or "pixel %r at (%d, %d)" % (colour, x, y), timeout)

    def console(self):
        return [entry["message"] for entry in self.driver.get_log("browser")]


class WebCase(unittest.TestCase):
    """A test case with one browser for the module and one served folder per run."""

    web_dir = None

    @classmethod
    def setUpClass(cls):
        cls.driver = start_browser()

    @classmethod
    def tearDownClass(cls):
        stop_browser(cls.driver)

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="molvane-web-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.servers = []
        self.addCleanup(lambda: [server.close() for server in self.servers])

    def serve_copy(self, name="site", prepare=None, handler_class=QuietHandler):
        """Serves a fresh copy of the built site in tmp/name, which prepare (if given) may
        change first; returns its folder and its server."""
        site = os.path.join(self.tmp, name)
        copy_site(self.web_dir, site)
        if prepare is not None:
            prepare(site)
        server = Server(site, handler_class)
        self.servers.append(server)
        return site, server

    def open_quiz(self, names=(), prepare=None, **data_options):
        """Serves a site of one quiz made of names (see datagen.make_data) and opens it.
        prepare, if given, may change the data folder before the site is made."""
        data = os.path.join(self.tmp, "data")
        colours = datagen.make_data(data, names, **data_options)
        if prepare is not None:
            prepare(data)
        site = os.path.join(self.tmp, "site")
        make_site(self.web_dir, data, site)
        server = Server(site)
        self.servers.append(server)
        self.page = Page(self.driver, server.url + "index.html")
        return colours


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--web-dir", required=True, help="the folder scripts/web built")
    args, rest = parser.parse_known_args()
    WebCase.web_dir = os.path.abspath(args.web_dir)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
