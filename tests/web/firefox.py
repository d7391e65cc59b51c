"""Drives Debian's firefox-esr, headless, over WebDriver BiDi.

Debian has no geckodriver, but Firefox itself speaks WebDriver BiDi: started with
--remote-debugging-port it prints the address of its websocket, and /session on it
takes a new session. This is the little of the protocol the tests need: navigate,
evaluate a script, and send keys as a keyboard would.
"""

import json
import os
import re
import shutil
import subprocess
import tempfile
import time

import websocket  # Debian's python3-websocket

FIREFOX = "/usr/bin/firefox-esr"

# A private profile that asks nothing of the network and opens no first-run pages.
PREFERENCES = {
    "app.update.disabledForTesting": True,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
}

# WebDriver's key values for the keys without a character of their own.
KEY_VALUES = {"Return": "\ue007", "Escape": "\ue00c", "BackSpace": "\ue003",
              "Shift_L": "\ue008", "space": " ", "Down": "\ue015"}


class Firefox:
    """One headless Firefox with one BiDi session on its first tab."""

    def __init__(self, timeout=30.0):
        self.profile = tempfile.mkdtemp(prefix="molvane-firefox-")
        with open(os.path.join(self.profile, "user.js"), "w", encoding="utf-8") as prefs:
            for name, value in PREFERENCES.items():
                prefs.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        self.process = subprocess.Popen(
            [FIREFOX, "--headless", "--no-remote", "--profile", self.profile,
             "--remote-debugging-port", "0", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.socket = None
        self.next_id = 0
        try:
            # The agent refuses a handshake that names an origin it was not told to allow.
            self.socket = websocket.create_connection(self._address(timeout) + "/session",
                                                      timeout=timeout, suppress_origin=True)
            self.command("session.new", capabilities={})
            self.context = self.command("browsingContext.getTree")["contexts"][0]["context"]
        except BaseException:
            self.close()
            raise

    def _address(self, timeout):
        """Reads the websocket address that Firefox prints when its remote agent listens."""
        deadline = time.monotonic() + timeout
        for line in self.process.stderr:
            found = re.search(r"WebDriver BiDi listening on (ws://\S+)", line)
            if found:
                return found.group(1)
            if time.monotonic() > deadline:
                break
        raise RuntimeError("firefox-esr did not start its WebDriver BiDi agent")

    def command(self, method, **params):
        """Sends one command and returns its result; events on the way are passed over."""
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") != self.next_id:
                continue
            if message.get("type") == "error":
                raise RuntimeError("%s: %s %s" % (method, message["error"], message["message"]))
            return message["result"]

    def navigate(self, url):
        self.command("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def evaluate(self, expression):
        """The value of a JavaScript expression, passed through JSON."""
        result = self.command("script.evaluate", expression="JSON.stringify(%s)" % expression,
                              target={"context": self.context}, awaitPromise=False)
        value = result["result"]
        return json.loads(value["value"]) if value["type"] == "string" else None

    def press(self, *names):
        """Presses and releases each named key in turn; capitals hold the left Shift."""
        actions = []
        for name in names:
            value = KEY_VALUES.get(name, name)
            if len(name) == 1 and name.isupper():
                actions += [{"type": "keyDown", "value": KEY_VALUES["Shift_L"]},
                            {"type": "keyDown", "value": name.lower()},
                            {"type": "keyUp", "value": name.lower()},
                            {"type": "keyUp", "value": KEY_VALUES["Shift_L"]}]
            else:
                actions += [{"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}]
        self.command("input.performActions", context=self.context,
                     actions=[{"type": "key", "id": "keyboard", "actions": actions}])

    def close(self):
        try:
            if self.socket is not None:
                self.socket.close()
        finally:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            shutil.rmtree(self.profile, ignore_errors=True)
