"""What every browser measure shares: a plain static server that counts what it sends,
a fresh headless Chromium, slow networks and the page's first-frame mark.

The server is an HTTP/1.1 keep-alive threading server that compresses nothing, as
common static hosts serve .wasm, .data and .bmp files. Each browser gets a profile of
its own (tests/web/webharness.py starts it), so a first visit finds nothing cached.
"""

import contextlib
import functools
import http.server
import os
import socket
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "web"))
import webharness  # noqa: E402

# The two networks of the targets: (name, bytes per second, round trip in ms).
NETWORKS = {
    "10mbit": ("10 Mbit/s, 40 ms", 10_000_000 // 8, 40),
    "1.6mbit": ("1.6 Mbit/s, 150 ms", 1_600_000 // 8, 150),
}

FIRST_FRAME = """
var mark = performance.getEntriesByName('molvane-first-frame')[0];
return mark ? mark.startTime : null;
"""


class _CountingWriter:
    """Passes writes on to a socket writer and adds their sizes to the server's count."""

    def __init__(self, writer, server):
        self.writer = writer
        self.server = server

    def write(self, data):
        with self.server.lock:
            self.server.bytes_sent += len(data)
            self.server.last_sent = time.monotonic()
        return self.writer.write(data)

    def flush(self):
        self.writer.flush()

    @property
    def closed(self):
        return self.writer.closed

    def close(self):
        self.writer.close()


class _Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive, as a static host offers

    def setup(self):
        super().setup()
        self.wfile = _CountingWriter(self.wfile, self.server)
        with self.server.lock:
            self.server.connections.add(self.connection)

    def finish(self):
        super().finish()
        with self.server.lock:
            self.server.connections.discard(self.connection)

    def log_request(self, code="-", size="-"):
        with self.server.lock:
            self.server.requests.append(self.path)

    def log_message(self, *args):
        pass


class _HttpServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, handler):
        self.lock = threading.Lock()
        self.connections = set()
        self.requests = []
        self.bytes_sent = 0
        self.last_sent = time.monotonic()
        super().__init__(address, handler)


class Server:
    """Serves one folder from 127.0.0.1 on a free port until stop()."""

    def __init__(self, folder):
        handler = functools.partial(_Handler, directory=folder)
        self.httpd = _HttpServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        self.stopped = False

    def bytes_sent(self):
        with self.httpd.lock:
            return self.httpd.bytes_sent

    def requests(self):
        with self.httpd.lock:
            return list(self.httpd.requests)

    def wait_until_quiet(self, quiet=1.5, timeout=20.0):
        """Waits until nothing was sent for `quiet` seconds (at most `timeout`)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.httpd.lock:
                idle = time.monotonic() - self.httpd.last_sent
            if idle >= quiet:
                return
            time.sleep(0.1)

    def stop(self):
        """Stops listening and cuts the open keep-alive connections: the site is gone."""
        if self.stopped:
            return
        self.stopped = True
        self.httpd.shutdown()
        self.httpd.server_close()
        with self.httpd.lock:
            connections = list(self.httpd.connections)
        for connection in connections:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def default_path(site):
    """The page a first lesson opens: a lesson of the built site, or the one quiz."""
    if os.path.exists(os.path.join(site, "quizzes", "index.json")):
        return "index.html?quiz=alkanes"
    return "index.html"


def throttle(page, network):
    """Puts the tab on one of NETWORKS (None: as fast as the machine goes)."""
    page.cdp("Network.enable")
    if network is None:
        page.cdp("Network.emulateNetworkConditions", offline=False, latency=0,
                 downloadThroughput=-1, uploadThroughput=-1)
        return
    _, rate, latency = NETWORKS[network]
    page.cdp("Network.emulateNetworkConditions", offline=False, latency=latency,
             downloadThroughput=rate, uploadThroughput=rate)


@contextlib.contextmanager
def fresh_visit(site):
    """(server, driver, page): the site served, a browser with a fresh profile and a tab
    on about:blank, ready for CDP commands before the measured navigation; all stopped
    afterwards."""
    server = Server(site)
    driver = start_browser()
    try:
        yield server, driver, blank_page(driver)
    finally:
        stop_browser(driver)
        server.stop()


def blank_page(driver):
    """A tab on about:blank, ready for CDP commands before the measured navigation."""
    return webharness.Page(driver, "about:blank")


def wait_for_first_frame(page, timeout=60.0):
    """The first-frame mark's time from navigation, in ms."""
    return page.wait_for(lambda: page.driver.execute_script(FIRST_FRAME), "the first frame",
                         timeout)


def task_seconds(page):
    """The renderer main thread's task time so far (Performance.enable comes first)."""
    metrics = page.cdp("Performance.getMetrics")["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "TaskDuration")


def start_browser():
    """A headless Chromium with a fresh profile, as the tests start it but without
    collecting the console: a visitor's browser does not serialise every line the
    program prints, and that would slow its start-up here."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in webharness.CHROMIUM_FLAGS:
        options.add_argument(flag)
    profile = tempfile.mkdtemp(prefix="molvane-bench-")
    options.add_argument("--user-data-dir=" + profile)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.molvane_profile = profile
    return driver


def stop_browser(driver):
    webharness.stop_browser(driver)


def site_size(site):
    """(bytes, files) of everything in the site folder."""
    total = count = 0
    for folder, _, names in os.walk(site):
        for name in names:
            total += os.path.getsize(os.path.join(folder, name))
            count += 1
    return total, count
