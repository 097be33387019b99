"""The request log (window and WebLog.txt, entry by entry and byte for byte),
the switch between the log and the file list, and the status display: status
bar texts and the tray lamp, offline and while hosting with connections held
open."""

import calendar
import colorsys
import contextlib
import re
import socket
import struct
import subprocess
import threading
import time

import pytest

from answers import MONTHS, log_entry_pattern
from zant_harness import (CONNSLIDER, FILELIST, LOGEDIT, MAIN, STATUSBAR, TVPIC, ZANT_EXE,
                          HttpConnection, disk_preload, fill_folder, png_pixels, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

BASE_FILES = {"a.txt": "hello", "docs/": None, "docs/a b.txt": "spaced"}

STM_GETICON = 0x0171
LOG_LIMIT = 65535


def send_request(data, timeout=30.0):
    """Sends the bytes (None: connects and closes at once) and reads until the
    server closes; a reset for request bytes left unread does not matter here."""
    with socket.create_connection(("127.0.0.1", 80), timeout=timeout) as sock:
        if data is None:
            return b""
        sock.sendall(data)
        chunks = []
        try:
            while True:
                chunk = sock.recv(65536)
                if not chunk:
                    break
                chunks.append(chunk)
        except (ConnectionResetError, socket.timeout):
            pass
        return b"".join(chunks)


def log_window(ctl, run):
    return ctl.text(run.c(LOGEDIT))


def log_file_text(run):
    return run.log_path.read_bytes().decode("latin-1") if run.log_path.exists() else ""


def wait_log_settled(ctl, run, entries, timeout=30.0):
    """Waits until the file holds the given number of entries and the window
    shows the file's last 65535 characters; returns (window, file)."""
    seen = {}

    def settled():
        text = log_file_text(run)
        window = log_window(ctl, run)
        seen.update(window=window, file=text)
        return text.count("[127.0.0.1] ") == entries and window == text[-LOG_LIMIT:]

    try:
        poll(settled, timeout, interval=0.05, what=f"{entries} log entries in window and file")
    except TimeoutError:
        window, text = seen.get("window", ""), seen.get("file", "")
        raise AssertionError(f"window ({len(window)} chars) and file ({len(text)} chars) differ: "
                             f"window ends {window[-200:]!r}, file ends {text[-200:]!r}")
    return seen["window"], seen["file"]


def seconds_of(http_date):
    day, month, year, clock = http_date[5:7], http_date[8:11], http_date[12:16], http_date[17:25]
    hour, minute, second = (int(x) for x in clock.split(":"))
    return calendar.timegm((int(year), MONTHS.index(month) + 1, int(day), hour, minute, second))


@pytest.fixture(scope="module")
def _server_slot(runs):
    slot = {"run": None}
    yield slot
    if slot["run"] is not None:
        runs.stop(slot["run"])


@pytest.fixture
def server(runs, _server_slot, tmp_path_factory):
    """A run shared by this module's tests, hosting on 127.0.0.1 with room for
    60 connections; started again when another test's run took its place."""
    run = _server_slot["run"]
    if run is None or runs.current is not run or not run.running:
        base = tmp_path_factory.mktemp("server")
        fill_folder(base, BASE_FILES)
        run = _server_slot["run"] = runs.start(base)
        run.ctl.lvset(run.c(FILELIST), -1, "selected")
        run.host(limit=60)
    return run


# ---------------------------------------------------------------------------
# One entry per request, in the window and in WebLog.txt

# Request bytes (None: connect and close), the logged command, the lines received.
REQUESTS = {
    "file": (b"GET /a.txt HTTP/1.1\r\nHost: t\r\n\r\n", "GET \\a.txt",
             ["GET /a.txt HTTP/1.1", "Host: t", ""]),
    "head, escaped": (b"HEAD /docs/a%20b.txt HTTP/1.0\r\nUser-Agent: x/1\r\n\r\n",
                      "HEAD \\docs\\a b.txt",
                      ["HEAD /docs/a%20b.txt HTTP/1.0", "User-Agent: x/1", ""]),
    "escaped slash": (b"GET /x%2Fy HTTP/1.1\r\n\r\n", "GET \\x\\y", ["GET /x%2Fy HTTP/1.1", ""]),
    "tab dropped": (b"GET /a\tb.txt HTTP/1.1\r\n\r\n", "GET \\ab.txt",
                    ["GET /a\tb.txt HTTP/1.1", ""]),
    "bare line feeds": (b"GET / HTTP/1.1\nHost: t\n\n", "GET \\",
                        ["GET / HTTP/1.1", "Host: t", ""]),
    "later GET wins": (b"GET /first HTTP/1.1\r\nGET /second HTTP/1.1\r\n\r\n", "GET \\second",
                       ["GET /first HTTP/1.1", "GET /second HTTP/1.1", ""]),
    "post": (b"POST /form HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", "",
             ["POST /form HTTP/1.1", "Content-Length: 5", ""]),
    "lower case": (b"get /a.txt HTTP/1.1\r\n\r\n", "", ["get /a.txt HTTP/1.1", ""]),
    "nothing sent": (None, "", [""]),
}


@pytest.mark.parametrize("name", list(REQUESTS))
def test_each_request_adds_one_entry_to_window_and_file(server, ctl, name):
    data, command, lines = REQUESTS[name]
    before = log_file_text(server)
    entries = before.count("[127.0.0.1] ")
    send_request(data)
    window, text = wait_log_settled(ctl, server, entries + 1)
    assert text.startswith(before)
    entry = text[len(before):]
    match = log_entry_pattern(command, lines).fullmatch(entry)
    assert match, f"entry {entry!r}"
    # The connection's moment in GMT: a sanity check of the date, not a timing.
    assert abs(seconds_of(match.group(1)) - time.time()) < 600
    assert window == text


PEER_LINE = re.compile(r"^\[[^\]\r\n]*\] ", re.M)


def test_a_client_that_resets_once_accepted_keeps_its_address_in_the_log(server, ctl):
    entries = len(PEER_LINE.findall(log_file_text(server)))
    sock = socket.create_connection(("127.0.0.1", 80), timeout=30)
    # Accepted (counted) before it sends and resets: the entry has the address
    # the accept gave, whatever the reset leaves of the connection.
    poll(lambda: ctl.sbtext(server.c(STATUSBAR), 4).startswith("\t0001 of "), 10,
         what="the connection accepted")
    sock.sendall(b"GET /a.txt HTTP/1.1\r\n\r\n")
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()
    poll(lambda: PEER_LINE.findall(log_file_text(server))[entries:], 20,
         what="the entry of the reset connection")
    assert PEER_LINE.findall(log_file_text(server))[entries:] == ["[127.0.0.1] "]


@pytest.mark.parametrize("zone", ["America/New_York", "Asia/Kolkata", "Australia/Sydney"])
def test_entry_dates_are_gmt_whatever_the_time_zone(start_zant, ctl, zone):
    run = start_zant(env={"TZ": zone})
    run.host(limit=10)
    send_request(b"GET / HTTP/1.1\r\n\r\n")
    _, text = wait_log_settled(ctl, run, 1)
    match = log_entry_pattern("GET \\", ["GET / HTTP/1.1", ""]).fullmatch(text)
    assert match, text
    # The zones are hours away from GMT: a date left in local time is far off.
    assert abs(seconds_of(match.group(1)) - time.time()) < 600, match.group(1)


def test_log_file_lies_in_the_start_folder_and_nowhere_else(server, ctl):
    entries = log_file_text(server).count("[127.0.0.1] ")
    send_request(b"GET /docs/ HTTP/1.1\r\n\r\n")
    wait_log_settled(ctl, server, entries + 1)
    assert not (server.base / "WebLog.bak").exists()
    assert [p.name for p in server.base.rglob("WebLog*")] == ["WebLog.txt"]


def test_the_log_files_are_left_out_of_the_list_and_never_served(start_zant, ctl):
    # Left by an earlier run in the folder the program starts in and shares;
    # they hold every client's Authorization line.
    run = start_zant(files={"WebLog.txt": "Authorization: Basic dTpw\r\n", "WebLog.bak": "older",
                            "a.txt": "a", "sub/": None, "sub/WebLog.txt": "not a log file"})
    assert [r["texts"][0] for r in run.rows()] == [
        "\\", "\\a.txt", "\\sub\\", "\\sub\\WebLog.txt"]
    run.host(limit=10)
    run.focus_by_tab(FILELIST)
    run.keys("ctrl+a")
    poll(lambda: ctl.lvcount(run.c(FILELIST))["selected"] == 4, 5, what="every row selected")
    statuses = {path: int(send_request(f"GET {path} HTTP/1.1\r\n\r\n".encode())[9:12])
                for path in ("/WebLog.txt", "/weblog.TXT", "/WebLog.bak", "/sub/WebLog.txt")}
    assert statuses == {"/WebLog.txt": 404, "/weblog.TXT": 404, "/WebLog.bak": 404,
                        "/sub/WebLog.txt": 200}


def test_entries_of_simultaneous_requests_never_mix(server, ctl):
    before = log_file_text(server)
    entries = before.count("[127.0.0.1] ")
    names = [f"c{i:02d}" for i in range(12)]

    def request(name):
        send_request(f"GET /{name} HTTP/1.1\r\nX-Fill: {name * 1500}\r\n\r\n".encode())

    threads = [threading.Thread(target=request, args=(name,)) for name in names]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(60)
    _, text = wait_log_settled(ctl, server, entries + len(names), timeout=60)
    added = re.split(r"(?=\[127\.0\.0\.1\] )", text[len(before):])[1:]
    found = []
    for entry in added:
        name = re.search(r"Command- GET \\(c\d\d)\r\n", entry).group(1)
        lines = [f"GET /{name} HTTP/1.1", f"X-Fill: {name * 1500}", ""]
        assert log_entry_pattern(f"GET \\{name}", lines).fullmatch(entry), name
        found.append(name)
    assert sorted(found) == names


# ---------------------------------------------------------------------------
# The window's 65535 characters


# Each request's header lines, by their lengths.
BIG_REQUESTS = {
    "two entries of 40,000": [[40000], [40000]],
    "four entries of 25,000": [[25000]] * 4,
    "one entry of 80,000": [[40000, 40000]],
}


@pytest.mark.parametrize("name", list(BIG_REQUESTS))
def test_window_keeps_the_last_65535_characters_and_the_file_everything(fresh_zant, ctl, name):
    fresh_zant.host(limit=10)
    for number, lengths in enumerate(BIG_REQUESTS[name]):
        letter = "abcd"[number]
        fill = "".join(f"X-Fill{i}: {letter * n}\r\n" for i, n in enumerate(lengths))
        send_request(f"GET /{letter} HTTP/1.1\r\n{fill}\r\n".encode())
    window, text = wait_log_settled(ctl, fresh_zant, len(BIG_REQUESTS[name]), timeout=60)
    assert len(text) > LOG_LIMIT + 10000
    assert len(window) == LOG_LIMIT
    assert window == text[-LOG_LIMIT:]
    # The window begins inside an entry, never at one of its beginnings.
    assert not window.startswith("[127.0.0.1] ")


def fill_request(name, length):
    return f"GET /{name} HTTP/1.1\r\nX-Fill: {'f' * length}\r\n\r\n".encode()


def entry_length(name, length):
    request = fill_request(name, length).decode()
    received = request[:request.index("\r\n\r\n") + 4]
    return len(f"[127.0.0.1] {'d' * 29}\r\nCommand- GET \\{name}\r\n{received}\r\n")


def test_window_cut_between_cr_and_lf_keeps_the_lone_lf(fresh_zant, ctl):
    # The first entry ends in CR LF, CR LF, CR LF; the two after it together
    # take 65530 characters, so the window begins at the LF of its last pair
    # but two.
    fresh_zant.host(limit=10)
    second = 30000
    third = next(n for n in range(1000, 40000)
                 if entry_length("b", second) + entry_length("c", n) == LOG_LIMIT - 5)
    for name, length in (("a", 20000), ("b", second), ("c", third)):
        send_request(fill_request(name, length))
    window, text = wait_log_settled(ctl, fresh_zant, 3, timeout=60)
    assert text[-LOG_LIMIT - 1:-LOG_LIMIT + 5] == "\r\n\r\n\r\n", "lines were joined on the way"
    assert window.startswith("\n\r\n\r\n[127.0.0.1] ")
    assert len(window) == LOG_LIMIT


# ---------------------------------------------------------------------------
# F5 in the log window


def show_log(run, ctl):
    run.click_control(run.c(TVPIC))
    poll(lambda: ctl.visible(run.c(LOGEDIT)), 5, what="the log window")


def test_f5_in_the_log_window_clears_it_and_leaves_the_file(fresh_zant, ctl):
    run = fresh_zant
    run.host(limit=10)
    send_request(b"GET /one HTTP/1.1\r\n\r\n")
    send_request(b"GET /two HTTP/1.1\r\n\r\n")
    _, before = wait_log_settled(ctl, run, 2)
    show_log(run, ctl)
    run.focus_by_tab(LOGEDIT)
    run.keys("F5")
    poll(lambda: log_window(ctl, run) == "", 5, what="an empty log window")
    assert log_file_text(run) == before

    send_request(b"GET /three HTTP/1.1\r\n\r\n")
    poll(lambda: log_file_text(run).count("[127.0.0.1] ") == 3, 10, what="the third entry")
    text = log_file_text(run)
    assert text.startswith(before)
    poll(lambda: log_window(ctl, run) == text[len(before):], 10,
         what="the window to hold the new entry alone")
    entry = text[len(before):]
    assert log_entry_pattern("GET \\three", ["GET /three HTTP/1.1", ""]).fullmatch(entry)


EM_GETSEL = 0x00B0
EM_GETLINECOUNT = 0x00BA
EM_GETFIRSTVISIBLELINE = 0x00CE
EM_POSFROMCHAR = 0x00D6


def thumb_at_the_end(png):
    """Whether the log window's picture shows its vertical scroll bar's thumb at
    the bottom of the track: in the bar's middle column, between its arrows,
    the rows not of the track's colour reach down to the lower arrow."""
    width, height, rows = png_pixels(png)
    text_right = max(x for x in range(width) if rows[height // 2][x] == (0, 0, 0))
    size = width - 2 - text_right  # the bars' width, inside the border
    first, last = 1 + size, height - 2 - 2 * size  # the track, above the lower bar
    column = [rows[y][text_right + 1 + size // 2] for y in range(first, last + 1)]
    track = max(set(column), key=column.count)
    thumb = [first + i for i, colour in enumerate(column) if colour != track]
    return bool(thumb) and thumb[-1] >= last - 1


def show_twelve_entries(run, ctl):
    """Hosts, shows the log window and makes twelve entries (72 lines, more
    than the window shows); returns the window's text."""
    run.host(limit=10)
    show_log(run, ctl)
    for i in range(12):
        send_request(f"GET /line{i} HTTP/1.1\r\nHost: t\r\n\r\n".encode())
    return wait_log_settled(ctl, run, 12)[0]


def test_the_log_window_keeps_its_caret_and_view_at_the_end(fresh_zant, ctl):
    run = fresh_zant
    window = show_twelve_entries(run, ctl)
    edit = run.c(LOGEDIT)
    selection = ctl.send(edit, EM_GETSEL)
    assert (selection & 0xFFFF, selection >> 16) == (len(window), len(window))
    # 72 lines do not fit in the window: it is scrolled so that the last ones show.
    assert ctl.send(edit, EM_GETLINECOUNT) == 73
    assert ctl.send(edit, EM_GETFIRSTVISIBLELINE) > 0
    client = ctl.rect(edit)["client"]
    last_text = ctl.send(edit, EM_POSFROMCHAR, window.rindex("Host: t"))
    assert 0 <= (last_text >> 16) <= client["bottom"] - client["top"] - 12
    # Its scroll bar says so too.
    poll(lambda: thumb_at_the_end(ctl.screenshot_png(edit, "log-window-at-the-end").read_bytes()),
         10, what="the scroll bar's thumb at the end")


def test_a_log_view_moved_by_the_user_stays_until_an_entry_comes(fresh_zant, ctl):
    run = fresh_zant
    show_twelve_entries(run, ctl)
    edit = run.c(LOGEDIT)
    run.focus_by_tab(LOGEDIT)
    run.keys("ctrl+Home")

    def view():
        return ctl.send(edit, EM_GETFIRSTVISIBLELINE), ctl.send(edit, EM_GETSEL)

    poll(lambda: view() == (0, 0), 5, what="the view at the first entry")
    with HttpConnection() as held:
        # A connection opens and is counted; no entry yet, only the status changes.
        held.send(b"GET /held HTTP/1.1\r\n")
        run.wait_counter(1)
        run.sync(settle=0.3)
        assert view() == (0, 0)
        held.send(b"\r\n")
        held.read_all(30)
    # Its entry has come: the view shows the end again.
    poll(lambda: view()[0] > 0, 10, what="the view at the new entry")


def test_other_keys_in_the_log_window_leave_it_as_it_is(fresh_zant, ctl):
    run = fresh_zant
    run.host(limit=10)
    send_request(b"GET /kept HTTP/1.1\r\n\r\n")
    window, _ = wait_log_settled(ctl, run, 1)
    show_log(run, ctl)
    run.focus_by_tab(LOGEDIT)
    run.keys("F4", "Home", "x", "BackSpace", "Delete")
    run.sync(settle=0.3)
    assert log_window(ctl, run) == window


def test_a_log_file_that_cannot_be_opened_gives_an_error_line_per_entry(start_zant, ctl):
    # A folder of that name stands in for a file that cannot be opened.
    run = start_zant(files={"WebLog.txt/": None})
    run.host(limit=10)
    send_request(b"GET /first HTTP/1.1\r\n\r\n")
    send_request(b"GET /second HTTP/1.1\r\n\r\n")
    error = "*** Error Writting to Log File ***\r\n"
    poll(lambda: log_window(ctl, run).count(error) == 2, 10, what="two error lines")
    window = log_window(ctl, run)
    parts = window.split(error)
    assert parts[0] == ""
    assert log_entry_pattern("GET \\first", ["GET /first HTTP/1.1", ""]).fullmatch(parts[1])
    assert log_entry_pattern("GET \\second", ["GET /second HTTP/1.1", ""]).fullmatch(parts[2])
    assert run.log_path.is_dir()


@contextlib.contextmanager
def small_disk(folder, kind):
    """Makes folder a start folder whose disk can fill up: a file system of
    its own, a tmpfs of 256 KiB (kind "tmpfs"; where the machine refuses the
    mount, the injected kind stands in), or the full-disk switch of the disk
    preload (kind "injected"). Yields the program's extra environment and two
    callables: fill (no room left) and make_room."""
    if kind == "tmpfs":
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", str(folder)],
                                 capture_output=True).returncode == 0
        if mounted:
            filler = folder / ".filler"  # made after the scan, so never listed

            def fill():
                with open(filler, "wb", buffering=0) as out:
                    try:
                        while True:
                            out.write(b"\0" * 4096)
                    except OSError:
                        pass

            def make_room():
                filler.unlink()

            try:
                yield {}, fill, make_room
            finally:
                subprocess.run(["umount", "-l", str(folder)], check=False)
            return
    flag = folder.parent / "disk-is-full"
    yield ({"LD_PRELOAD": str(disk_preload()), "ZANT_DISK_FULL": str(flag)},
           flag.touch, flag.unlink)


@pytest.mark.parametrize("disk", ["tmpfs", "injected"])
def test_a_full_disk_leaves_whole_entries_answers_everyone_and_logs_again_with_room(
        runs, ctl, tmp_path, disk):
    base = tmp_path / "start"
    base.mkdir()
    pad = "X-Pad: " + "p" * 700
    requests = []

    def ask(n):
        lines = ["GET /a.txt HTTP/1.1", f"X-Mark: {n}", pad, ""]
        raw = send_request(("\r\n".join(lines) + "\r\n").encode("ascii"))
        assert raw.endswith(b"\r\n\r\nalpha"), n
        requests.append(lines)

    with small_disk(base, disk) as (env, fill, make_room):
        fill_folder(base, {"a.txt": "alpha"})
        run = runs.start(base, env=env)
        try:
            run.share()
            run.host(limit=10)
            ask(0)
            fill()
            for n in range(1, 16):
                ask(n)
            make_room()
            for n in range(16, 20):
                ask(n)
            poll(lambda: log_window(ctl, run).count("[127.0.0.1] ") == len(requests), 30,
                 what="every entry in the log window")
            window, text = log_window(ctl, run), log_file_text(run)
        finally:
            runs.stop(run)

    error = "*** Error Writting to Log File ***\r\n"
    window_at = file_at = 0
    written = []
    for lines in requests:
        failed = window.startswith(error, window_at)
        window_at += len(error) if failed else 0
        entry = log_entry_pattern("GET \\a.txt", lines)
        shown = entry.match(window, window_at)
        assert shown, f"entry {lines[1]} in the window"
        window_at = shown.end()
        if not failed:
            stored = entry.match(text, file_at)
            assert stored, f"entry {lines[1]} in the file"
            file_at = stored.end()
            written.append(lines[1])
    # The file holds exactly the entries that reached it, whole and in order.
    assert file_at == len(text) and window_at == len(window)
    assert written[0] == "X-Mark: 0" and written[-4:] == [f"X-Mark: {n}" for n in range(16, 20)]
    assert len(written) < len(requests)


# ---------------------------------------------------------------------------
# The picture: log or file list


def switch_views(run, ctl, times):
    """Clicks the picture; returns the picture and (file list, log) visibility
    seen before each click and after the last."""
    pictures, views = [], []
    for i in range(times + 1):
        pictures.append(ctl.send(run.c(TVPIC), STM_GETICON))
        views.append((ctl.visible(run.c(FILELIST)), ctl.visible(run.c(LOGEDIT))))
        if i == times:
            break
        log_next = not views[-1][1]
        # Clicks far enough apart not to make a double-click of two.
        run.click_control(run.c(TVPIC), dx=-8 if i % 2 else 8)
        poll(lambda: ctl.visible(run.c(LOGEDIT)) == log_next, 5, what="the view to switch")
    return pictures, views


def test_picture_switches_between_file_list_and_log(fresh_zant, ctl):
    pictures, views = switch_views(fresh_zant, ctl, 2)
    assert views == [(True, False), (False, True), (True, False)]
    still, animated, still_again = pictures
    assert still and animated and still != animated
    assert still_again != animated


def frames_shown(run, ctl, seconds=2.0):
    """The picture handles the picture control shows over a while."""
    seen = set()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        seen.add(ctl.send(run.c(TVPIC), STM_GETICON))
        time.sleep(0.02)
    return seen


def test_log_picture_animates_and_each_picture_is_made_once(fresh_zant, ctl):
    # The log view's picture steps through its frames; the same frames come back
    # at every switch (pictures made anew at every switch and never released
    # would pile up), and the still picture is one shared picture.
    stills, animations = [], []
    for i in range(3):
        stills.append(ctl.send(fresh_zant.c(TVPIC), STM_GETICON))
        fresh_zant.click_control(fresh_zant.c(TVPIC), dx=8)
        poll(lambda: ctl.visible(fresh_zant.c(LOGEDIT)), 5, what="the log view")
        animations.append(frames_shown(fresh_zant, ctl))
        fresh_zant.click_control(fresh_zant.c(TVPIC), dx=-8)
        poll(lambda: ctl.visible(fresh_zant.c(FILELIST)), 5, what="the file list view")
    assert len(set(stills)) == 1
    assert len(animations[0]) > 1, "the log view's picture does not move"
    assert animations[1] <= animations[0] and animations[2] <= animations[0], animations
    assert stills[0] not in animations[0]


# ---------------------------------------------------------------------------
# Status bar and tray lamp


def lamp_colour(ctl, tmp_path):
    """"red", "yellow" or "green": the hue that most strongly coloured pixels
    of the program's icon in Wine's notification-area window have."""
    tray = ctl.handle("__winex11_standalone_tray")
    icons = [c for c in ctl.children(tray) if c["class"] == "__winex11_tray_icon"
             and c["visible"]] if tray else []
    if len(icons) != 1:
        pytest.skip("no single notification-area icon to look at on this display")
    bmp = tmp_path / "lamp.bmp"
    ctl.screenshot(icons[0]["hwnd"], bmp)
    data = bmp.read_bytes()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    counts = {"red": 0, "yellow": 0, "green": 0}
    for y in range(abs(height)):
        row = data[offset + y * stride:offset + y * stride + width * 3]
        for x in range(width):
            b, g, r = row[3 * x:3 * x + 3]
            hue, saturation, value = colorsys.rgb_to_hsv(r / 255, g / 255, b / 255)
            if saturation < 0.5 or value < 0.3:
                continue
            degrees = hue * 360
            if degrees < 20 or degrees > 340:
                counts["red"] += 1
            elif 25 <= degrees <= 70:
                counts["yellow"] += 1
            elif 90 <= degrees <= 160:
                counts["green"] += 1
    return max(counts, key=counts.get) if max(counts.values()) >= 8 else None


def status_texts(ctl, run):
    return ctl.sbtext(run.c(STATUSBAR), 2), ctl.sbtext(run.c(STATUSBAR), 4)


def wait_status(ctl, run, tmp_path, state, counter, lamp):
    want = (state, counter)
    poll(lambda: status_texts(ctl, run) == want, 15, what=f"status {want}")
    poll(lambda: lamp_colour(ctl, tmp_path) == lamp, 15, what=f"the {lamp} lamp")


def test_after_start_offline_with_zero_of_zero_and_a_red_lamp(fresh_zant, ctl, tmp_path):
    wait_status(ctl, fresh_zant, tmp_path, "\tOffline", "\t0000 of 0000 Connections", "red")


@pytest.mark.parametrize("limit", [1, 49, 60, 999, 1000, 0])
def test_offline_the_counter_follows_the_slider_and_the_lamp_stays_red(zant, ctl, tmp_path,
                                                                       limit):
    ctl.tbsetpos(zant.c(CONNSLIDER), limit)
    wait_status(ctl, zant, tmp_path, "\tOffline", f"\t0000 of {limit:04d} Connections", "red")


def test_hosting_with_the_slider_at_zero_is_still_offline(fresh_zant, ctl, tmp_path):
    fresh_zant.host(limit=0)
    wait_status(ctl, fresh_zant, tmp_path, "\tOffline", "\t0000 of 0000 Connections", "red")
    assert ctl.text(MAIN) == "ZANT - 127.0.0.1"


def hold_connections(count):
    """Connections that send nothing: each is counted until it is closed."""
    held = []
    try:
        for _ in range(count):
            held.append(socket.create_connection(("127.0.0.1", 80), timeout=30))
    except OSError:
        for sock in held:
            sock.close()
        raise
    return held


# Connections held open at a limit of 60: state, lamp.
HELD = [(0, "\tOnline", "green"), (10, "\tOnline", "green"), (11, "\tOnline", "yellow"),
        (59, "\tOnline", "yellow"), (60, "\tOffline", "red")]


@pytest.mark.parametrize("held, state, lamp", HELD, ids=[str(h[0]) for h in HELD])
def test_hosting_shows_the_connections_held_open(server, ctl, tmp_path, held, state, lamp):
    wait_status(ctl, server, tmp_path, "\tOnline", "\t0000 of 0060 Connections", "green")
    sockets = hold_connections(held)
    try:
        wait_status(ctl, server, tmp_path, state, f"\t{held:04d} of 0060 Connections", lamp)
    finally:
        for sock in sockets:
            sock.close()
    wait_status(ctl, server, tmp_path, "\tOnline", "\t0000 of 0060 Connections", "green")


def test_stop_shows_offline_again(fresh_zant, ctl, tmp_path):
    fresh_zant.host(limit=60)
    wait_status(ctl, fresh_zant, tmp_path, "\tOnline", "\t0000 of 0060 Connections", "green")
    fresh_zant.stop_hosting()
    wait_status(ctl, fresh_zant, tmp_path, "\tOffline", "\t0000 of 0060 Connections", "red")
