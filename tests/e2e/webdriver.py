"""A very small WebDriver client for Debian's chromedriver and headless
Chromium: just what the browser tests need, standard library only."""

import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.request

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


def available():
    return os.path.exists(CHROMIUM) and os.path.exists(CHROMEDRIVER)


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Browser:
    def __init__(self, download_dir):
        self.port = _free_port()
        self.profile = tempfile.mkdtemp(prefix="zant-chromium-")
        self.download_dir = str(download_dir)
        self.driver = subprocess.Popen([CHROMEDRIVER, f"--port={self.port}"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while True:
            try:
                self._call("GET", "/status")
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        # Chromium's own background traffic would only meet this machine's
        # closed network; it is switched off.
        args = ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--disable-dev-shm-usage", f"--user-data-dir={self.profile}"]
        caps = {"capabilities": {"alwaysMatch": {
            "browserName": "chrome",
            "pageLoadStrategy": "normal",
            "timeouts": {"pageLoad": 30000, "script": 30000},
            "goog:chromeOptions": {
                "binary": CHROMIUM, "args": args,
                "prefs": {"download.default_directory": self.download_dir,
                          "download.prompt_for_download": False},
            }}}}
        self.session = self._call("POST", "/session", caps)["sessionId"]
        self.cdp("Browser.setDownloadBehavior",
                 {"behavior": "allow", "downloadPath": self.download_dir})

    def _call(self, method, path, body=None):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(f"http://127.0.0.1:{self.port}{path}", data=data,
                                         method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=60) as response:
                return json.loads(response.read() or b"{}").get("value")
        except urllib.error.HTTPError as error:
            raise RuntimeError(f"{method} {path}: {error.read()[:500]!r}") from None

    def _s(self, path):
        return f"/session/{self.session}{path}"

    def cdp(self, command, params):
        return self._call("POST", self._s("/goog/cdp/execute"), {"cmd": command, "params": params})

    def get(self, url):
        self._call("POST", self._s("/url"), {"url": url})

    def url(self):
        return self._call("GET", self._s("/url"))

    def source(self):
        return self._call("GET", self._s("/source"))

    def script(self, code, *args):
        return self._call("POST", self._s("/execute/sync"), {"script": code, "args": list(args)})

    def async_script(self, code, *args):
        return self._call("POST", self._s("/execute/async"), {"script": code, "args": list(args)})

    def find_link(self, text):
        found = self._call("POST", self._s("/element"),
                           {"using": "link text", "value": text})
        return next(iter(found.values()))

    def click(self, element):
        self._call("POST", self._s(f"/element/{element}/click"), {})

    def quit(self):
        try:
            self._call("DELETE", self._s(""))
        except (OSError, RuntimeError):
            pass
        self.driver.terminate()
        try:
            self.driver.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.driver.kill()
            self.driver.wait()
        shutil.rmtree(self.profile, ignore_errors=True)
