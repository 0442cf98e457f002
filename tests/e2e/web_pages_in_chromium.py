#!/usr/bin/env python3
"""The service's web pages in a real browser: headless Chromium, driven over
the DevTools protocol on a pipe, signs up, signs in, switches a command off,
creates, edits, switches off and deletes a command of its own, and signs out,
typing as a person would and clicking where the buttons are. Every page is
checked for unnamed controls in Chromium's accessibility tree, and a
screenshot of each step is kept.

usage: web_pages_in_chromium.py SCRIBEON_SERVER ARTIFACTS_DIR
"""

import base64
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

DEADLINE = 20  # seconds for any one step


class Browser:
    """Chromium with --remote-debugging-pipe: requests on fd 3, replies and
    events on fd 4, each message JSON ended by a NUL byte."""

    def __init__(self, profile):
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()

        def wire_pipes():
            # Out of the way first, so neither end lands on the other's number;
            # dup2 makes 3 and 4 inheritable, which the pipes are not.
            reading, writing = 100, 101
            os.dup2(to_browser_read, reading)
            os.dup2(from_browser_write, writing)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu",
             "--remote-debugging-pipe", "--no-first-run", "--no-default-browser-check",
             "--user-data-dir=" + profile, "--window-size=1000,900", "about:blank"],
            preexec_fn=wire_pipes, close_fds=False,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._buffer = b""
        self._events = []
        self._next_id = 0
        self.session = None

    def send(self, method, params=None, session=True):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + DEADLINE
        while True:
            reply = self._read(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]
            if "method" in reply:
                self._events.append(reply)

    def wait_for_event(self, method):
        deadline = time.monotonic() + DEADLINE
        while True:
            for index, event in enumerate(self._events):
                if event["method"] == method:
                    del self._events[index]
                    return event
            self._events.append(self._read(deadline))

    def forget_events(self):
        self._events.clear()

    def _read(self, deadline):
        while b"\0" not in self._buffer:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise TimeoutError("the browser did not answer in time")
            ready, _, _ = select.select([self._from_browser], [], [], remaining)
            if ready:
                chunk = os.read(self._from_browser, 1 << 20)
                if not chunk:
                    raise RuntimeError("the browser closed its pipe")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def close(self):
        try:
            self.send("Browser.close", session=False)
        except Exception:  # it may be gone already; it is killed below
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Page:
    def __init__(self, browser, origin, artifacts):
        self.browser = browser
        self.origin = origin
        self.artifacts = artifacts
        targets = browser.send("Target.getTargets", session=False)["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        browser.session = browser.send("Target.attachToTarget",
                                       {"targetId": page["targetId"], "flatten": True},
                                       session=False)["sessionId"]
        browser.send("Page.enable")
        browser.send("Accessibility.enable")

    def evaluate(self, expression):
        result = self.browser.send("Runtime.evaluate",
                                   {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def loads_after(self, action):
        self.browser.forget_events()
        action()
        self.browser.wait_for_event("Page.loadEventFired")

    def open(self, path):
        self.loads_after(lambda: self.browser.send("Page.navigate", {"url": self.origin + path}))

    def click(self, selector):
        """A left click in the middle of the element, as the mouse gives it."""
        box = self.evaluate(
            f"(() => {{ const e = document.querySelector({json.dumps(selector)});"
            " if (!e) return null; e.scrollIntoView({block: 'center'});"
            " const r = e.getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
        if box is None:
            raise AssertionError(f"nothing on {self.path()} matches {selector}")
        for kind in ("mousePressed", "mouseReleased"):
            self.browser.send("Input.dispatchMouseEvent",
                              {"type": kind, "x": box[0], "y": box[1], "button": "left",
                               "clickCount": 1})

    def click_to_load(self, selector):
        self.loads_after(lambda: self.click(selector))

    def type_into(self, selector, text):
        """Focus by a click, select what is there, and type the text over it."""
        self.click(selector)
        self.evaluate(f"document.querySelector({json.dumps(selector)}).select()")
        self.browser.send("Input.insertText", {"text": text})

    def text(self, selector):
        return self.evaluate(
            f"(document.querySelector({json.dumps(selector)}) || {{}}).textContent || null")

    def path(self):
        return self.evaluate("location.pathname")

    def screenshot(self, name):
        size = self.browser.send("Page.getLayoutMetrics")["cssContentSize"]
        whole_page = {"x": 0, "y": 0, "width": size["width"], "height": size["height"], "scale": 1}
        data = self.browser.send("Page.captureScreenshot",
                                 {"format": "png", "clip": whole_page,
                                  "captureBeyondViewport": True})["data"]
        with open(os.path.join(self.artifacts, f"web-{name}.png"), "wb") as file:
            file.write(base64.b64decode(data))

    def unnamed_controls(self):
        nodes = self.browser.send("Accessibility.getFullAXTree")["nodes"]
        controls = {"textbox", "button", "link", "combobox", "radio", "checkbox"}
        unnamed = []
        for node in nodes:
            role = node.get("role", {}).get("value")
            name = node.get("name", {}).get("value", "")
            if role in controls and not node.get("ignored") and not name.strip():
                unnamed.append(role)
        return unnamed


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def start_server(binary, directory):
    server = subprocess.Popen(
        [binary, "--db", os.path.join(directory, "service.db"), "--listen", "127.0.0.1:0",
         "--demo"], stdout=subprocess.PIPE, stderr=open(os.path.join(directory, "server.log"), "w"),
        text=True)
    deadline = time.monotonic() + DEADLINE
    while time.monotonic() < deadline:
        line = server.stdout.readline()
        match = re.search(r"listening on (http://\S+)", line)
        if match:
            return server, match.group(1)
        if not line and server.poll() is not None:
            break
    server.kill()
    raise RuntimeError("scribeon-server did not start")


def api(origin, method, path, body=None, token=None):
    request = urllib.request.Request(origin + path, method=method,
                                     data=json.dumps(body).encode() if body else None)
    request.add_header("Content-Type", "application/json")
    if token:
        request.add_header("Authorization", "Bearer " + token)
    with urllib.request.urlopen(request, timeout=DEADLINE) as reply:
        return json.load(reply)


NAME = "<script>alert(1)</script> Zoë"
EMAIL = "zoe@example.com"
PASSWORD = "correct horse ✓"
COMMAND = "<b>Shout</b> 🎉"
PROMPT = "Answer in capitals, café-style. <script>x</script>"


def walk_through(page, origin):
    def accessible(step):
        unnamed = page.unnamed_controls()
        check(not unnamed, f"{step}: controls without an accessible name: {unnamed}")
        page.screenshot(step)

    page.open("/sign-up")
    page.type_into("#name", NAME)
    page.type_into("#email", EMAIL)
    page.type_into("#password", "short")
    page.click_to_load("main button[type=submit]")
    check(page.text("#password-error") == "Use at least 8 characters.",
          "a short password is explained beside its field")
    check(page.evaluate("document.querySelector('#password').getAttribute('aria-describedby')")
          == "password-error", "the error describes the password field")
    check(page.evaluate("document.querySelector('#name').value") == NAME,
          "what was typed is kept")
    accessible("sign-up-error")

    page.type_into("#password", PASSWORD)
    page.click_to_load("main button[type=submit]")
    check(page.text("h1") == "Sign in to go on", "the sign-up is answered")
    accessible("signed-up")

    page.click_to_load("a[href='/sign-in']")
    page.type_into("#email", EMAIL)
    page.type_into("#password", PASSWORD)
    accessible("sign-in")
    page.click_to_load("main button[type=submit]")
    check(page.path() == "/commands", f"signed in, the commands are shown, not {page.path()}")
    check(NAME in page.text("main p"), "the name is shown as typed")
    check(page.evaluate("document.scripts.length") == 0, "a name cannot add a script")

    page.click_to_load("button[aria-label='Switch off UPPER CASE']")
    check(page.evaluate("!!document.querySelector(\"button[aria-label='Switch on UPPER CASE']\")"),
          "a command of the catalogue switches off")

    page.click_to_load("a[href='/commands/new']")
    page.type_into("#name", COMMAND)
    page.type_into("#code", "shout")
    page.click("input[name=kind][value=prompt]")
    page.type_into("#prompt", PROMPT)
    accessible("new-command")
    page.click_to_load("main button[type=submit]")
    check(page.path() == "/commands", "the new command is saved: " + page.text("main"))
    check(page.evaluate("document.scripts.length") == 0, "a command cannot add a script")
    row = f"button[aria-label='Switch off {COMMAND}']"
    check(page.evaluate(f"!!document.querySelector({json.dumps(row)})"),
          "the new command is on, as there is room in the plan")
    accessible("commands")

    page.click_to_load(row)
    check(page.evaluate(
        f"!!document.querySelector({json.dumps(row.replace('Switch off', 'Switch on'))})"),
        "the new command switches off")

    token = api(origin, "POST", "/api/v1/auth/sign-in",
                {"email": EMAIL, "password": PASSWORD})["token"]
    listed = {c["code"]: c for c in api(origin, "GET", "/api/v1/commands", token=token)["data"]}
    check(listed["shout"]["name"] == COMMAND and not listed["shout"]["is_active"],
          f"the program sees what the page did: {listed.get('shout')}")
    check(not listed["upper-case"]["is_active"], "and the catalogue command is off for it too")

    page.click_to_load(f"a[aria-label='Edit {COMMAND}']")
    check(page.evaluate("document.querySelector('#prompt').value") == PROMPT,
          "the prompt comes back as written")
    page.type_into("#code", "Bad Code!")
    page.click_to_load("main button[type=submit]")
    check("lowercase letters" in (page.text("#code-error") or ""),
          "a bad code is explained beside its field")
    accessible("edit-command-error")
    page.type_into("#code", "shout-2")
    page.click_to_load("main button[type=submit]")
    check(page.evaluate("!!document.querySelector(\"form[action='/commands/shout-2/toggle']\")"),
          "the code is changed")

    page.click_to_load(f"button[aria-label='Delete {COMMAND}']")
    check(COMMAND not in page.text("table"), "the command is deleted")

    page.click_to_load("header button[type=submit]")
    check(page.path() == "/sign-in", "signing out shows the sign-in page")
    page.open("/commands")
    check(page.path() == "/sign-in", "after signing out, the commands need a sign-in again")


def main():
    server_binary, artifacts = sys.argv[1], sys.argv[2]
    os.makedirs(artifacts, exist_ok=True)
    directory = tempfile.mkdtemp(prefix="scribeon-web.")
    server, origin = start_server(server_binary, directory)
    browser = None
    try:
        browser = Browser(os.path.join(directory, "profile"))
        walk_through(Page(browser, origin, artifacts), origin)
        print("web pages: the whole walk-through passed; screenshots in " + artifacts)
        return 0
    finally:
        if browser:
            browser.close()
        server.terminate()
        server.wait(timeout=10)
        shutil.rmtree(directory, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
