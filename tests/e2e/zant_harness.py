"""Drives the real zant.exe under Wine for the end-to-end tests.

Three pieces: the desktop (one Xvfb display and one running wineserver for the
prefix, reused when ./test already started them), `Ctl` (one persistent
zantctl.exe that finds windows by class and controls by id and talks to them
with window messages) and `Zant` (one run of the program in a base folder of
its own). Keystrokes that need real keyboard state go through xdotool; bytes
on the wire go through `http_raw`, and what they must be is set down in
answers.py. Standard library only.
"""

import fcntl
import json
import os
import re
import select
import signal
import socket
import struct
import subprocess
import tempfile
import time
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD_WIN = ROOT / "build" / "win"
ZANT_EXE = BUILD_WIN / "zant.exe"
ZANTCTL_EXE = BUILD_WIN / "zantctl.exe"
ARTIFACTS = ROOT / "build" / "artifacts"

MAIN = "ZANT_ZANT"
READING = "ZANT_READFOLDERS"

# Control ids of the main form.
STATUSBAR = 10000
HOSTBUTTON = 1
STOPBUTTON = 2
USEREDIT = 1001
PASSEDIT = 1002
FOLDERBUTTON = 1003
CONNLABEL = 1004
USERLABEL = 1005
PASSLABEL = 1006
IPLABEL = 1007
TVPIC = 1008
LOGEDIT = 1009
IPLIST = 1010
CONNSLIDER = 1011
FILELIST = 1012

# Controls of the reading window.
FOUNDCOUNT = 1000
CANCELBUTTON = 1
FOUNDLABEL = 1001

# Tray menu commands, the tray icon's callback message and the system menu's Hide.
TRAYHOST = 1525
TRAYSTOP = 1526
TRAYEXIT = 1528
TRAY_CALLBACK = 1524
SYSHIDE = 1536

WM_NULL = 0x0000
WM_CLOSE = 0x0010
WM_NCHITTEST = 0x0084
WM_COMMAND = 0x0111
WM_SYSCOMMAND = 0x0112
WM_LBUTTONDOWN = 0x0201
WM_LBUTTONUP = 0x0202
WM_RBUTTONDOWN = 0x0204
WM_RBUTTONUP = 0x0205
HTSYSMENU = 3
HTCLOSE = 20
COLOR_MENU = 4
COLOR_MENUTEXT = 7
COLOR_BTNFACE = 15
EM_GETLIMITTEXT = 0x00D5
LB_SETCURSEL = 0x0186

WINE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
}


def poll(predicate, timeout=10.0, interval=0.02, what="condition"):
    """Calls predicate until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


# ---------------------------------------------------------------------------
# The desktop: display and wineserver


class Desktop:
    """The X display and the Wine prefix the tests run in.

    When DISPLAY and WINEPREFIX are given (./test sources scripts/wine_env.sh
    and starts both), they are used as they are; otherwise a private display
    is started by the same script and the repository's prefix is used, and
    both are stopped again by what was started here.
    """

    def __init__(self):
        self.env = dict(os.environ)
        self.env.update(WINE_ENV)
        self.display_shell = None  # the shell that started the display and waits on it
        self.xvfb_pid = None
        self.own_wineserver = False

    def start(self):
        if not self.env.get("WINEPREFIX"):
            self.env["WINEPREFIX"] = str(ROOT / "build" / "wineprefix")
        given_display = bool(os.environ.get("DISPLAY")) and bool(os.environ.get("WINEPREFIX"))
        if not given_display:
            self.env["DISPLAY"] = self._start_display()
        if self._wineserver_running():
            self._configure_prefix()
            return self
        # The server outlives this call: it must not hold on to our output pipes.
        subprocess.run(["wineserver", "-p"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.own_wineserver = True
        self._configure_prefix()
        subprocess.run(["wine", "wineboot"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def _configure_prefix(self):
        # The Wine settings for a display without a window manager live with
        # the script that ./test uses, so that both ways agree.
        subprocess.run(["bash", "-c", 'source "$1" && export WINEPREFIX="$2" && zant_wine_settings',
                        "bash", str(ROOT / "scripts" / "wine_env.sh"), self.env["WINEPREFIX"]],
                       env=self.env, check=False)

    def _start_display(self):
        """Starts a display with zant_display_start of scripts/wine_env.sh, the
        function ./test and ./run use, so that both ways pick the display
        number and start Xvfb alike; returns the display. The shell that runs
        it says "DISPLAY PID" and then waits on its Xvfb, so that the server
        is stopped by its own process id and the shell ends with it. (With
        ZANT_USE_DISPLAY set the function starts nothing and names that
        display.)"""
        script = 'source "$1" && zant_display_start || exit 1; echo "$DISPLAY $ZANT_XVFB_PID"; wait'
        shell = subprocess.Popen(
            ["bash", "-c", script, "bash", str(ROOT / "scripts" / "wine_env.sh")], env=self.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        words = shell.stdout.readline().split()
        if not words:
            shell.wait()
            problem = shell.stderr.read().strip()
            shell.stdout.close()
            shell.stderr.close()
            raise RuntimeError(f"could not start a display: {problem or 'no answer'}")
        self.display_shell = shell
        self.xvfb_pid = int(words[1]) if len(words) > 1 else None
        if self.xvfb_pid is None:
            self._end_display_shell()
        return words[0]

    def _stop_display(self):
        """Stops the Xvfb started here, by its process id: while its shell has
        not ended, the shell has not yet collected it, so that the id is still
        its own."""
        if self.display_shell is None:
            return
        for sig, wait in ((signal.SIGTERM, 5), (signal.SIGKILL, 10)):
            if self.display_shell.poll() is not None:
                break
            try:
                os.kill(self.xvfb_pid, sig)
            except ProcessLookupError:
                pass
            try:
                self.display_shell.wait(timeout=wait)
            except subprocess.TimeoutExpired:
                pass
        self._end_display_shell()

    def _end_display_shell(self):
        self.display_shell.wait()
        self.display_shell.stdout.close()
        self.display_shell.stderr.close()
        self.display_shell = None
        self.xvfb_pid = None

    def _wineserver_running(self):
        """Whether a wineserver serves the prefix: it holds a lock on the file
        "lock" in its server folder (/tmp/.wine-UID/server-DEV-INODE, or
        /tmp/wine-XXXXXX/server-DEV-INODE in Debian's build)."""
        try:
            st = Path(self.env["WINEPREFIX"]).stat()
        except FileNotFoundError:
            return False
        name = f"server-{st.st_dev:x}-{st.st_ino:x}"
        folders = [Path(f"/tmp/.wine-{os.getuid()}") / name, *Path("/tmp").glob(f"wine-*/{name}")]
        for folder in folders:
            try:
                with open(folder / "lock", "r+b") as lock:
                    try:
                        fcntl.lockf(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                    except OSError:
                        return True
                    fcntl.lockf(lock, fcntl.LOCK_UN)
            except OSError:
                continue
        return False

    def kill_wine(self):
        """Ends every Wine process of the prefix: the last resort of a stuck run."""
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=30)
        if self.own_wineserver:
            subprocess.run(["wineserver", "-p"], env=self.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        if self.own_wineserver:
            subprocess.run(["wineserver", "-k"], env=self.env, check=False)
            self.own_wineserver = False
        self._stop_display()


# ---------------------------------------------------------------------------
# The automation tool


class CtlError(Exception):
    pass


def escape_text(text):
    """Free text as the tool reads it: backslash escapes for \\, tab and line ends."""
    return (text.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r")
            .replace("\n", "\\n"))


class Ctl:
    """One persistent zantctl.exe: one line out, one line back.

    Window specs are "CLASS" (a top-level window of that class), "CLASS/ID"
    (its control with that id) or a handle "0x...". Every method raises
    CtlError when the tool answers "err".
    """

    def __init__(self, env, exe=ZANTCTL_EXE, timeout=30.0):
        self.env = env
        self.exe = exe
        self.timeout = timeout
        self.proc = None
        self._buffer = b""

    def start(self):
        self.proc = subprocess.Popen(
            ["wine", str(self.exe)], env=self.env, stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=str(ROOT))
        self._buffer = b""
        return self

    def stop(self):
        if self.proc is None:
            return
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
                self.proc.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()
        self.proc.stdin.close()
        self.proc.stdout.close()
        self.proc = None

    def _readline(self, timeout):
        deadline = time.monotonic() + timeout
        fd = self.proc.stdout.fileno()
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise CtlError("zantctl did not answer in time")
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise CtlError("zantctl ended")
                self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return line.decode("utf-8")

    def call(self, *words, timeout=None):
        """Sends one command; returns the parsed JSON of an "ok" answer."""
        if self.proc is None or self.proc.poll() is not None:
            self.start()
        line = " ".join(str(w) for w in words)
        if "\n" in line:
            raise ValueError("one command per line")
        self.proc.stdin.write(line.encode("utf-8") + b"\n")
        self.proc.stdin.flush()
        answer = self._readline(timeout or self.timeout)
        if answer.startswith("ok "):
            return json.loads(answer[3:])
        if answer.startswith("err "):
            raise CtlError(f"{line}: {answer[4:]}")
        raise CtlError(f"{line}: unexpected answer {answer!r}")

    # Windows ------------------------------------------------------------

    def exists(self, spec):
        return self.call("exists", spec)["exists"]

    def handle(self, spec):
        """The handle of the window, or None."""
        return self.call("exists", spec).get("hwnd")

    def wait(self, spec, timeout_ms=10000):
        return self.call("wait", spec, int(timeout_ms), timeout=timeout_ms / 1000 + 10)["hwnd"]

    def waitgone(self, spec, timeout_ms=10000):
        self.call("waitgone", spec, int(timeout_ms), timeout=timeout_ms / 1000 + 10)

    def text(self, spec):
        return self.call("text", spec)["text"]

    def settext(self, spec, text):
        return self.call("settext", spec, escape_text(text))["result"]

    def enabled(self, spec):
        return self.call("enabled", spec)["enabled"]

    def visible(self, spec):
        return self.call("visible", spec)["visible"]

    def rect(self, spec):
        """{"window": {left, top, right, bottom}, "client": {...}} in screen pixels."""
        return self.call("rect", spec)

    def style(self, spec):
        """style, exstyle, id, class, parent, parent_class, owner, pid."""
        return self.call("style", spec)

    def focus(self, spec):
        """The keyboard focus of the thread that owns the window: hwnd, id, class, active."""
        return self.call("focus", spec)

    def foreground(self):
        return self.call("foreground")

    def activate(self, spec):
        return self.call("activate", spec)

    def children(self, spec):
        return self.call("children", spec)

    def windows(self, pid=None):
        return self.call("windows", *([pid] if pid else []))

    # Acting ---------------------------------------------------------------

    def click(self, spec, wait_ms=5000):
        """Clicks a button; returns once its handler has returned ({"done": True})
        or a new window of the program has opened ({"done": False, "opened": {...}})."""
        return self.call("click", spec, int(wait_ms), timeout=wait_ms / 1000 + 10)

    def command(self, spec, control_id, code=0, wait_ms=5000):
        """WM_COMMAND to a form as the control (or menu item) would send it."""
        return self.call("command", spec, control_id, code, int(wait_ms),
                         timeout=wait_ms / 1000 + 10)

    def send(self, spec, msg, wparam=0, lparam=0):
        return self.call("send", spec, msg, wparam, lparam)["result"]

    def post(self, spec, msg, wparam=0, lparam=0):
        self.call("post", spec, msg, wparam, lparam)

    def cursor(self, x, y):
        """Puts the pointer at screen pixel (x, y) as every Windows program sees it."""
        return self.call("cursor", x, y)

    def show(self, spec, how):
        """ShowWindow(window, how) called by this other program."""
        return self.call("show", spec, how)["was_visible"]

    # Lists ----------------------------------------------------------------

    def lbitems(self, spec):
        return self.call("lbitems", spec)

    def lbsel(self, spec):
        """{"index": selected index or -1, "count": n}."""
        return self.call("lbsel", spec)

    def lvcount(self, spec):
        """{"count": rows, "selected": selected rows}."""
        return self.call("lvcount", spec)

    def lvcols(self, spec):
        return self.call("lvcols", spec)

    def lvrows(self, spec, first=0, count=None):
        """Rows: index, texts (one per column), selected, checked, focused, param, image."""
        words = ["lvrows", spec, first] + ([count] if count is not None else [])
        return self.call(*words, timeout=600)

    def lvrect(self, spec, index, part="label"):
        """Screen rectangle of a row: part is bounds, icon, label or select."""
        return self.call("lvrect", spec, index, part)

    def collate(self, texts):
        """The texts sorted by the platform's case-insensitive comparison (the
        one a self-sorting list view uses); equal texts keep their order."""
        if any("\t" in t for t in texts):
            raise ValueError("texts to collate may not hold tabs")
        return self.call("collate", "\\t".join(escape_text(t) for t in texts))

    def lvset(self, spec, index, state):
        """state: selected, unselected, checked or unchecked; index -1 means every row."""
        return self.call("lvset", spec, index, state)["result"]

    # Status bar and trackbar ----------------------------------------------

    def sbtext(self, spec, part):
        return self.call("sbtext", spec, part)["text"]

    def sbparts(self, spec):
        return self.call("sbparts", spec)

    def tbinfo(self, spec):
        """min, max, pos, page, line, ticks, selstart, selend."""
        return self.call("tbinfo", spec)

    def tbsetpos(self, spec, pos):
        return self.call("tbsetpos", spec, pos)["pos"]

    # Message boxes ----------------------------------------------------------

    def msgbox(self, pid=None):
        """The visible message box: hwnd, title, text, buttons [{id, text}], pid,
        owner, icon (the standard icon it shows, as its picture on the screen
        tells: "error", "question", "warning", "information", "application",
        "none", or "unknown" while it is not painted); or None."""
        return self.call("msgbox", *([pid] if pid else []))

    def wait_msgbox(self, timeout=10.0, pid=None):
        return poll(lambda: self.msgbox(pid), timeout, what="a message box")

    def msgboxclose(self, button_id=1, pid=None):
        return self.call("msgboxclose", button_id, *([pid] if pid else []))

    def help(self, spec, about, wait_ms=5000):
        """WM_HELP to the window about the window `about`, as F1 or the caption's
        "?" would send it; returns like click() (a help box opens: done False)."""
        return self.call("help", spec, about, int(wait_ms), timeout=wait_ms / 1000 + 10)

    # Menus, the system and files --------------------------------------------

    def menu(self):
        """The open pop-up menu window: hwnd, pid, owner, rect; or None."""
        return self.call("menu")

    def syscolor(self, index):
        """A system colour (COLOR_* index) as an (r, g, b) tuple."""
        colour = self.call("syscolor", index)
        return colour["r"], colour["g"], colour["b"]

    def hostaddrs(self):
        """The dotted addresses that the host-name look-up of "" gives under Wine."""
        return self.call("hostaddrs")

    def listdir(self, path):
        """[{name, attributes}] of a folder (a Unix path is on drive Z:) in the
        order the file system lists it to a Windows program; no "." or ".."."""
        return self.call("listdir", str(path))

    def open_for_writing(self, path):
        """Whether a Windows program may open the file for writing now:
        {"opened": bool, "error": the Windows error code}."""
        return self.call("openfile", str(path))

    def tray_icons(self):
        """The icons of Wine's notification area (windows of the stand-alone
        system tray that Wine shows on a display without a desktop panel)."""
        icons = []
        for window in self.windows():
            if window["class"] == "__winex11_standalone_tray":
                icons += [child for child in self.children(window["hwnd"])
                          if child["class"] == "__winex11_tray_icon"]
        return icons

    # Process and pictures --------------------------------------------------

    def hold(self, path):
        """Keeps a file open with no sharing (a Unix path is on drive Z:), as a
        program that locks it would, until release()."""
        return self.call("hold", "Z:" + str(path).replace("/", "\\"))["held"]

    def release(self):
        return self.call("release")["released"]

    def procinfo(self, pid):
        """threads, handles, gdi, user, working_set, pagefile of a Windows process id."""
        return self.call("procinfo", pid)

    def screenshot(self, spec, bmp_path):
        return self.call("screenshot", spec, str(bmp_path))

    def screenshot_png(self, spec, name):
        """Saves what the screen shows of the window as build/artifacts/NAME.png."""
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        png = ARTIFACTS / (name if name.endswith(".png") else name + ".png")
        with tempfile.TemporaryDirectory() as tmp:
            bmp = Path(tmp) / "shot.bmp"
            self.screenshot(spec, bmp)
            png.write_bytes(bmp_to_png(bmp.read_bytes()))
        return png


# ---------------------------------------------------------------------------
# Pictures


def bmp_to_png(data):
    """Converts an uncompressed 24- or 32-bit BMP to PNG bytes."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _planes, bits = struct.unpack_from("<iiHH", data, 18)
    if bits not in (24, 32):
        raise ValueError(f"{bits}-bit BMP not handled")
    step = bits // 8
    stride = (width * step + 3) & ~3
    bottom_up = height > 0
    height = abs(height)
    raw = bytearray()
    for y in range(height):
        src_row = height - 1 - y if bottom_up else y
        start = offset + src_row * stride
        row = data[start:start + width * step]
        raw.append(0)
        line = bytearray(width * 3)
        line[0::3] = row[2::step]
        line[1::3] = row[1::step]
        line[2::3] = row[0::step]
        raw += line

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))


def png_pixels(png):
    """(width, height, rows) of a PNG written by bmp_to_png; each row is a list
    of (r, g, b) tuples."""
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(png):
        length, kind = struct.unpack_from(">I4s", png, pos)
        body = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack_from(">II", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3 + 1
    rows = []
    for y in range(height):
        line = raw[y * stride + 1:(y + 1) * stride]
        rows.append([tuple(line[x:x + 3]) for x in range(0, len(line), 3)])
    return width, height, rows


def menu_entries(png, background, text, gap=3):
    """What the picture of a pop-up menu shows, top to bottom: "text" for an
    item drawn in the menu's text colour, "grey" for an item drawn without it
    (a disabled item: Wine draws those in a fixed grey), "separator" for a line
    of one colour across the menu. Items are bands of marked rows set apart by
    at least gap unmarked rows (an underlined mnemonic leaves one unmarked row
    inside its item); the frame (outer rows, three columns each side) is left
    out."""
    width, height, rows = png_pixels(png)
    entries, band, blank = [], set(), gap

    def close_band():
        if band:
            entries.append("text" if text in band else "grey")
            band.clear()

    for row in rows[1:height - 1]:
        inner = row[3:width - 3]
        marks = [p for p in inner if p != background]
        if marks and len(marks) >= 0.8 * len(inner) and len(set(marks)) == 1:
            close_band()
            entries.append("separator")
            blank = gap
            continue
        if not marks:
            blank += 1
            continue
        if blank >= gap:
            close_band()
        blank = 0
        band.update(marks)
    close_band()
    return entries


# ---------------------------------------------------------------------------
# Keystrokes


class Keyboard:
    """Real key presses through the X server (XTEST), as a person types them.

    There is no window manager on the test display, so nothing moves the X
    input focus by itself: a window is given it with xdotool's windowfocus
    (windowactivate asks a window manager and fails), which Wine, told not to
    wait for a manager's take-focus message, turns into activation.
    """

    def __init__(self, env):
        self.env = env

    def _xdotool(self, *args, check=True):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=30)
        if check and done.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(args)}: {done.stderr.strip()}")
        return done.stdout

    def x_windows(self, title, pid=None):
        """Visible X windows whose name matches the (POSIX extended) expression."""
        args = ["search", "--onlyvisible"]
        if pid:
            args += ["--pid", str(pid)]
        out = self._xdotool(*args, "--name", title, check=False)
        return [int(w) for w in out.split()]

    def x_focus(self):
        """The X window that has the input focus, or None (pointer root, nothing)."""
        out = self._xdotool("getwindowfocus", check=False).strip()
        return int(out) if out.isdigit() else None

    def focus_x_window(self, window):
        self._xdotool("windowfocus", "--sync", str(window))

    def keys(self, *names, delay_ms=30):
        """xdotool key names: "alt+c", "Tab", "shift+Tab", "Return", "Escape", "F5"."""
        self._xdotool("key", "--clearmodifiers", "--delay", str(delay_ms), *names)

    def type_text(self, text, delay_ms=20):
        self._xdotool("type", "--clearmodifiers", "--delay", str(delay_ms), "--", text)

    def mouse_position(self):
        out = self._xdotool("getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def move_mouse(self, x, y):
        """Moves the pointer to screen pixel (x, y): the display has no window
        manager, so Wine's screen coordinates are the X screen's. (xdotool's
        --sync would wait for a motion that never comes when the pointer is
        there already.)"""
        if self.mouse_position() != (x, y):
            self._xdotool("mousemove", "--sync", str(x), str(y))

    def click_at(self, x, y, repeat=1, button=1, modifiers=()):
        """A real mouse click (repeat=2: a double-click) at screen pixel x, y,
        with modifier keys ("ctrl", "shift") held down; the pointer is parked
        again afterwards."""
        # One command: the X server takes the move and the presses in order. (A
        # synced move to where the pointer already is would wait for a motion
        # event that never comes.)
        args = [word for key in modifiers for word in ("keydown", key)]
        args += ["mousemove", str(x), str(y), "click", "--repeat", str(repeat), "--delay", "80",
                 str(button)]
        args += [word for key in modifiers for word in ("keyup", key)]
        self._xdotool(*args, "mousemove", *map(str, PARKED_POINTER))

    def park_pointer(self):
        """Moves the pointer where no window of the program ever is, so that no
        tooltip pops up over what a test looks at or counts."""
        self.move_mouse(*PARKED_POINTER)


# The bottom right corner of the 1280 x 1024 test screen: the program's windows
# are centred and Wine's tray lies top left, so nothing of theirs is ever there.
PARKED_POINTER = (1279, 1023)
# Where the tray menu is opened: outside the main form too.
TRAY_MENU_AT = (1200, 850)


def exact_title(title):
    """A POSIX extended expression that matches exactly this window name."""
    return "^" + re.sub(r"([.\[\](){}*+?|^$\\])", r"\\\1", title) + "$"


# ---------------------------------------------------------------------------
# The program


def disk_preload():
    """The library (tool/disk.c) that, preloaded into the program's process,
    makes the log's disk full or slow; built once into build/e2e."""
    source = Path(__file__).resolve().parent / "tool" / "disk.c"
    library = ROOT / "build" / "e2e" / "disk.so"
    if not library.exists() or library.stat().st_mtime < source.stat().st_mtime:
        library.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", str(library), str(source), "-ldl",
                        "-lpthread"], check=True)
    return library


def fill_folder(base, files, mtime=None):
    """Creates files and folders under base: {"a.txt": "text" or b"bytes", "docs/": None}.
    With mtime (seconds since 1970), every file gets that last-write time, so
    that dates shown and sent for it are known in advance."""
    for rel, content in (files or {}).items():
        path = Path(base) / rel
        if rel.endswith("/"):
            path.mkdir(parents=True, exist_ok=True)
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content.encode("utf-8") if isinstance(content, str) else (content or b""))
        if mtime is not None:
            os.utime(path, (mtime, mtime))


class Zant:
    """One run of build/win/zant.exe with its current folder set to base;
    env adds variables to the desktop's environment for this run only (TZ)."""

    def __init__(self, desktop, ctl, base, keyboard=None, env=None):
        self.desktop = desktop
        self.ctl = ctl
        self.keyboard = keyboard or Keyboard(desktop.env)
        self.base = Path(base)
        self.env = dict(desktop.env, **(env or {}))  # e.g. TZ for another time zone
        self.proc = None
        self.pid = None  # the Windows process id, for procinfo and windows

    @property
    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def launch(self):
        """Starts the program and returns at once (see start())."""
        self.keyboard.park_pointer()
        self.proc = subprocess.Popen(["wine", str(ZANT_EXE)], cwd=str(self.base),
                                     env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        return self

    def start(self, finish=True, timeout=30.0):
        """Starts the program; with finish, acknowledges the first scan and waits
        until the main form is shown."""
        if self.ctl.exists(MAIN):
            raise RuntimeError("another ZANT window is already on this desktop")
        self.launch()
        try:
            self.wait_reading(timeout)
        except (CtlError, TimeoutError) as error:
            state = "running" if self.running else f"ended with code {self.proc.returncode}"
            shown = [(w["class"], w["title"]) for w in self.ctl.windows() if w["visible"]]
            raise TimeoutError(f"{error}; the program is {state}; windows shown: {shown}") from None
        self.pid = self.ctl.style(READING)["pid"]
        if finish:
            self.finish_scan(timeout)
        return self

    def text_or_none(self, spec):
        """The text of a window that may not exist (yet): a window is found by
        its class as soon as it is created, before it has made its controls."""
        try:
            return self.ctl.text(spec)
        except CtlError:
            return None

    def wait_reading(self, timeout=30.0):
        """Waits until the reading window and its button exist; returns the button's text."""
        self.ctl.wait(READING, timeout * 1000)
        return poll(lambda: self.text_or_none(f"{READING}/{CANCELBUTTON}"), timeout,
                    what="the reading window's button")

    def wait_scan_done(self, timeout=30.0):
        """Waits until the reading window's button reads "OK"."""
        self.wait_reading(timeout)
        poll(lambda: self.text_or_none(f"{READING}/{CANCELBUTTON}") == "OK", timeout,
             what="the end of the folder scan")

    def finish_scan(self, timeout=30.0):
        """Lets the scan in progress end, presses OK and waits for the main form."""
        self.wait_scan_done(timeout)
        self.ctl.click(f"{READING}/{CANCELBUTTON}")
        self.ctl.waitgone(READING, timeout * 1000)
        self.wait_main(timeout)

    def wait_main(self, timeout=30.0):
        """Waits until the main form is shown, enabled, active and has a focused
        control: showing, activating and focusing are separate steps that a
        poll can fall between."""
        hwnd = self.ctl.wait(MAIN, timeout * 1000)
        seen = {}

        def ready():
            seen.update(visible=self.ctl.visible(MAIN), enabled=self.ctl.enabled(MAIN))
            focus = self.ctl.focus(MAIN)
            seen.update(active=focus["active"], focus=focus["hwnd"],
                        foreground=self.ctl.foreground())
            # The form hands the focus on to a control as soon as it gets it.
            return (seen["visible"] and seen["enabled"] and focus["active"]["hwnd"] == hwnd
                    and focus["hwnd"] not in ("0x0", hwnd))

        try:
            poll(ready, timeout, what="the main form")
        except TimeoutError as error:
            raise TimeoutError(f"{error}; last seen: {seen}") from None
        self.sync()

    def c(self, control_id):
        """The spec of a main-form control."""
        return f"{MAIN}/{control_id}"

    def title_of(self, spec):
        hwnd = self.ctl.handle(spec)
        for window in self.ctl.windows(self.pid):
            if window["hwnd"] == hwnd:
                return window["title"]
        raise CtlError(f"{spec} is not a top-level window of the program")

    def activate(self, spec=MAIN, timeout=10.0):
        """Makes the top-level window the active one and gives its X window the
        input focus, so that keystrokes reach its focused control. Both are
        needed: Wine can make a window active without moving the X focus (when
        the reading window closes, the X focus stays behind), and when a
        message box closes it hands the activation to its own tray window
        rather than back to the form. The other way round happens too: Wine's
        foreground window is another one (the tray window) and moving the X
        focus changes nothing, so Wine is asked to activate the window first."""
        hwnd = self.ctl.handle(spec)
        if hwnd is None:
            raise CtlError(f"no window {spec}")
        x_windows = self.keyboard.x_windows(exact_title(self.title_of(spec)), pid=self.proc.pid)
        if not x_windows or self.ctl.foreground().get("hwnd") != hwnd:
            self.ctl.activate(spec)
        if x_windows and self.keyboard.x_focus() not in x_windows:
            self.keyboard.focus_x_window(x_windows[0])
        poll(lambda: self.ctl.foreground().get("hwnd") == hwnd, timeout,
             what=f"{spec} to become the active window")

    def keys(self, *names, window=MAIN, settle=0.15):
        """Presses keys (xdotool names) in the active window, after making
        window active; waits a moment for the program to handle them."""
        self.activate(window)
        self.keyboard.keys(*names)
        self.sync(window, settle)

    def type_text(self, text, window=MAIN, settle=0.15):
        self.activate(window)
        self.keyboard.type_text(text)
        self.sync(window, settle)

    def sync(self, spec=MAIN, settle=0.0):
        """Waits settle seconds, then until the program's window thread answers
        a message. There is no exact barrier behind keystrokes (a sent message
        overtakes queued input), so tests that can poll for an outcome should."""
        if settle:
            time.sleep(settle)
        self.ctl.send(spec, WM_NULL)

    def focus(self):
        """The control of the program that has the keyboard focus: {hwnd, id, class, ...}."""
        return self.ctl.focus(MAIN)

    def caption_point(self, hit):
        """A screen point in the main form's caption where the form answers
        WM_NCHITTEST with hit (HTCAPTION 2, HTSYSMENU 3, HTCLOSE 20), the middle
        one of that stretch; None when no point of the caption gives it."""
        box = self.ctl.rect(MAIN)
        y = (box["window"]["top"] + box["client"]["top"]) // 2
        found = [x for x in range(box["window"]["left"], box["window"]["right"])
                 if self.ctl.send(MAIN, WM_NCHITTEST, 0, (y & 0xFFFF) << 16 | x & 0xFFFF) == hit]
        return (found[len(found) // 2], y) if found else None

    def open_system_menu(self, timeout=10.0):
        """Opens the form's system menu with a real click on the caption's icon
        and returns the menu window (Ctl.menu)."""
        self.activate()
        self.keyboard.click_at(*self.caption_point(HTSYSMENU))
        return poll(self.ctl.menu, timeout, what="the system menu")

    def tray_click(self, up=WM_LBUTTONUP):
        """A click on the program's tray icon: the button's down and up messages
        posted to the icon's window in Wine's tray, which hands them to the
        program as its callback message, as a real click would. (A real click
        would move the keyboard focus to the tray window, so that keys would
        not reach a menu opened by it.)"""
        icons = self.ctl.tray_icons()
        if len(icons) != 1:
            raise CtlError(f"expected the one tray icon of the program, found {len(icons)}")
        self.ctl.post(icons[0]["hwnd"], up - 1, 0, 0)
        self.ctl.post(icons[0]["hwnd"], up, 0, 0)

    def open_tray_menu(self, x=TRAY_MENU_AT[0], y=TRAY_MENU_AT[1], timeout=10.0):
        """Opens the tray menu with a right click on the tray icon, the pointer
        at screen pixel (x, y), while the form is active so that keys reach the
        menu; returns the menu window (Ctl.menu)."""
        self.activate()
        self.ctl.cursor(x, y)
        self.tray_click(WM_RBUTTONUP)
        return poll(self.ctl.menu, timeout, what="the tray menu")

    def menu_entries(self, menu, name):
        """The entries of an open pop-up menu as its picture shows them (see
        menu_entries); the picture is kept in build/artifacts/NAME.png."""
        background, text = self.ctl.syscolor(COLOR_MENU), self.ctl.syscolor(COLOR_MENUTEXT)
        shots = []

        def painted():
            # The window exists before it is drawn: wait until the picture shows
            # text (every menu here has an enabled item) and is the same twice.
            shots.append(self.ctl.screenshot_png(menu["hwnd"], name).read_bytes())
            pixels = png_pixels(shots[-1])[2]
            return (len(shots) > 1 and shots[-1] == shots[-2]
                    and any(text in row for row in pixels))

        poll(painted, 10, what="the menu to be drawn")
        return menu_entries(shots[-1], background, text)

    def focus_by_tab(self, control_id, presses=16):
        """Moves the keyboard focus to a main-form control with Tab, as a person
        would; only visible, enabled tab stops can be reached."""
        for _ in range(presses):
            focus = self.focus()
            if focus["id"] == control_id:
                return
            self.keys("Tab")
            try:  # one press at a time, so that a slow one is not overtaken
                poll(lambda: self.focus()["hwnd"] != focus["hwnd"], 2, what="the focus to move")
            except TimeoutError:
                pass
        poll(lambda: self.focus()["id"] == control_id, 5, what=f"the focus on control {control_id}")

    def click_control(self, spec, repeat=1, dx=0, dy=0):
        """A real mouse click (repeat=2: a double-click) in the middle of a
        window, or dx, dy pixels from there. Two clicks in quick succession
        at the same spot make a double-click: vary dx to keep them apart."""
        box = self.ctl.rect(spec)["window"]
        self.keyboard.click_at((box["left"] + box["right"]) // 2 + dx,
                               (box["top"] + box["bottom"]) // 2 + dy, repeat)

    def click_row(self, index, repeat=1, part="label", modifiers=()):
        """A real mouse click on a row of the file list: on its label, or with
        part="checkbox" on its check box (left of its icon)."""
        box = self.ctl.lvrect(self.c(FILELIST), index, "icon" if part == "checkbox" else part)
        x = box["left"] - 8 if part == "checkbox" else (box["left"] + box["right"]) // 2
        self.keyboard.click_at(x, (box["top"] + box["bottom"]) // 2, repeat, modifiers=modifiers)

    @property
    def log_path(self):
        """Where the program writes its request log: the folder it was started in."""
        return self.base / "WebLog.txt"

    # Sharing and hosting ---------------------------------------------------

    def rows(self):
        """The rows of the file list (see Ctl.lvrows)."""
        return self.ctl.lvrows(self.c(FILELIST))

    def share(self, unshared=(), protected=()):
        """Shares every row of the file list (the root too) except the unshared
        paths, and ticks exactly the protected ones; paths as the list shows
        them ("\\docs\\a.txt"). Returns the rows as they are afterwards."""
        spec = self.c(FILELIST)
        index = {row["texts"][0]: row["index"] for row in self.rows()}
        missing = (set(unshared) | set(protected)) - index.keys()
        if missing:
            raise KeyError(f"no rows {sorted(missing)} in the file list")
        self.ctl.lvset(spec, -1, "selected")
        self.ctl.lvset(spec, -1, "unchecked")
        for path in unshared:
            self.ctl.lvset(spec, index[path], "unselected")
        for path in protected:
            self.ctl.lvset(spec, index[path], "checked")
        rows = self.rows()
        for row in rows:
            path = row["texts"][0]
            if row["selected"] == (path in unshared) or row["checked"] != (path in protected):
                raise CtlError(f"row {path} did not take its marks")
        return rows

    def set_limit(self, limit):
        """Moves the connections slider as a drag would; returns its position."""
        return self.ctl.tbsetpos(self.c(CONNSLIDER), limit)

    def host(self, limit=None, timeout=10.0):
        """Presses Host (after moving the slider to limit, when given) and waits
        until the title names the address served on, which it returns."""
        if limit is not None:
            self.set_limit(limit)
        self.ctl.send(self.c(IPLIST), LB_SETCURSEL, 0)
        self.ctl.click(self.c(HOSTBUTTON))
        title = poll(lambda: (t := self.ctl.text(MAIN)).startswith("ZANT - ") and t, timeout,
                     what="the title of a hosting server")
        return title[len("ZANT - "):]

    def stop_hosting(self, timeout=10.0):
        self.ctl.click(self.c(STOPBUTTON))
        poll(lambda: self.ctl.text(MAIN) == "ZANT", timeout, what="the title after Stop")

    def status(self):
        """(server state text, connection counter text) of the status bar."""
        bar = self.c(STATUSBAR)
        return self.ctl.sbtext(bar, 2), self.ctl.sbtext(bar, 4)

    def wait_counter(self, active, timeout=20.0):
        """Waits until the status bar counts this many connections; returns the text."""
        prefix = f"\t{active:04d} of "
        return poll(lambda: (t := self.status()[1]).startswith(prefix) and t, timeout,
                    what=f"the counter to show {active} connections")

    def wait_idle(self, timeout=20.0):
        """Waits until every connection slot is given back."""
        return self.wait_counter(0, timeout)

    def set_credentials(self, user, password):
        """Types the user name and the password into their boxes as a person
        would (Alt+U, Alt+P), replacing what they held."""
        for key, control, text in (("alt+u", USEREDIT, user), ("alt+p", PASSEDIT, password)):
            self.keys(key)
            poll(lambda: self.focus()["id"] == control, 5, what=f"the focus in box {control}")
            self.keys("End", "shift+Home", "BackSpace")
            if text:
                self.type_text(text)
            poll(lambda: self.ctl.text(self.c(control)) == text, 5,
                 what=f"box {control} to hold {text!r}")

    def log_file(self):
        """The bytes of WebLog.txt in the folder the program was started in."""
        path = self.base / "WebLog.txt"
        return path.read_bytes() if path.exists() else b""

    def _dismiss_modal_windows(self):
        """Message boxes and a scan in progress would each be left running a
        loop of their own under a destroyed form: end them first, as a user
        would before closing."""
        for _ in range(10):
            box = self.ctl.msgbox(self.pid)
            if box is None:
                break
            self.ctl.msgboxclose(box["buttons"][0]["id"] if box["buttons"] else 1, pid=self.pid)
        if self.ctl.exists(READING):
            self.ctl.click(f"{READING}/{CANCELBUTTON}")
            self.ctl.waitgone(READING, 10000)

    def close(self, timeout=15.0, via="close"):
        """Closes the program as a user would, with the close box (via="close")
        or the tray menu's E&xit (via="exit"); kills it only if it will not go.
        Returns the exit code."""
        if self.proc is None:
            return None
        if self.proc.poll() is None:
            try:
                self._dismiss_modal_windows()
                if self.ctl.exists(MAIN):
                    # A menu posts its command, with no control handle.
                    if via == "exit":
                        self.ctl.post(MAIN, WM_COMMAND, TRAYEXIT, 0)
                    else:
                        self.ctl.post(MAIN, WM_CLOSE)
            except (CtlError, TimeoutError):
                pass
            try:
                self.proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                try:
                    self.proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        stuck = self.proc.poll() is None
        try:
            stuck = stuck or self.ctl.exists(MAIN)
        except CtlError:
            stuck = True
        if stuck:
            self.desktop.kill_wine()
            self.ctl.stop()
        return self.proc.returncode


# ---------------------------------------------------------------------------
# HTTP


def http_raw(data, host="127.0.0.1", port=80, timeout=10.0, half_close=False):
    """Sends exactly these bytes and returns everything received until the
    server closes the connection (or the time-out passes). With half_close the
    sending side is shut after the bytes, as a client that has nothing more to
    say would: the server then reads an end of stream instead of waiting."""
    if isinstance(data, str):
        data = data.encode("latin-1")
    with socket.create_connection((host, port), timeout=timeout) as sock:
        sock.sendall(data)
        if half_close:
            sock.shutdown(socket.SHUT_WR)
        chunks = []
        deadline = time.monotonic() + timeout
        while True:
            sock.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = sock.recv(65536)
            except socket.timeout:
                break
            if not chunk:
                break
            chunks.append(chunk)
        return b"".join(chunks)


def parse_response(raw):
    """(status code, [(name, value)], body) of one HTTP answer."""
    head, _, body = raw.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split(" ", 2)[1])
    headers = []
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers.append((name, value.strip()))
    return status, headers, body


class HttpConnection:
    """One connection to the server that a test feeds piece by piece, for
    requests held open, sent in parts or never finished."""

    def __init__(self, host="127.0.0.1", port=80, timeout=10.0):
        self.sock = socket.create_connection((host, port), timeout=timeout)
        self.received = b""
        self.closed_by_peer = False

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def send(self, data):
        self.sock.sendall(data.encode("latin-1") if isinstance(data, str) else data)

    def half_close(self):
        self.sock.shutdown(socket.SHUT_WR)

    def poll_answer(self, wait=0.0):
        """Takes what has arrived within wait seconds; true once the server has
        sent something or closed."""
        deadline = time.monotonic() + wait
        while not self.closed_by_peer:
            ready, _, _ = select.select([self.sock], [], [], max(0.0, deadline - time.monotonic()))
            if not ready:
                break
            chunk = self.sock.recv(65536)
            if not chunk:
                self.closed_by_peer = True
                break
            self.received += chunk
        return bool(self.received) or self.closed_by_peer

    def read_all(self, timeout=10.0):
        """Everything the server sends until it closes the connection; raises
        TimeoutError when it does not close in time."""
        deadline = time.monotonic() + timeout
        while not self.closed_by_peer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"the server did not close the connection in {timeout} s")
            self.poll_answer(min(left, 1.0))
        return self.received

    def close(self):
        self.sock.close()

