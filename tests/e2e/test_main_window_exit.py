"""Ending the program from its window: every way out ends the process with
exit code 0, takes the tray icon away and leaves the request log complete and
closed."""

import itertools
import random
import re
import socket
import threading

import pytest

from answers import HTTP_DATE, HTTP_DATE_PATTERN
from zant_harness import (CONNSLIDER, FILELIST, HOSTBUTTON, HTCLOSE, MAIN, STATUSBAR, TRAYEXIT,
                          WM_COMMAND, WM_SYSCOMMAND, ZANT_EXE, http_raw, parse_response, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

SC_CLOSE = 0xF060
ERROR_SHARING_VIOLATION = 32


def exit_command(run, ctl):
    # As the tray menu's item does: a posted command without a control.
    ctl.post(MAIN, WM_COMMAND, TRAYEXIT, 0)


def exit_from_the_tray_menu(run, ctl):
    run.open_tray_menu()
    run.keyboard.keys("x")


def close_system_command(run, ctl):
    ctl.post(MAIN, WM_SYSCOMMAND, SC_CLOSE, 0)


def alt_f4(run, ctl):
    run.activate()
    run.keyboard.keys("alt+F4")


def click_on_the_close_box(run, ctl):
    run.activate()
    run.keyboard.click_at(*run.caption_point(HTCLOSE))


def close_from_the_system_menu(run, ctl):
    run.open_system_menu()
    run.keyboard.keys("c")


WAYS_OUT = [exit_command, exit_from_the_tray_menu, close_system_command, alt_f4,
            click_on_the_close_box, close_from_the_system_menu]


def wait_exit(run):
    return run.proc.wait(timeout=30)


@pytest.mark.parametrize("way", WAYS_OUT, ids=[w.__name__ for w in WAYS_OUT])
def test_way_out_ends_the_program_with_code_0(fresh_zant, ctl, way):
    assert len(ctl.tray_icons()) == 1
    way(fresh_zant, ctl)
    assert wait_exit(fresh_zant) == 0
    assert not ctl.exists(MAIN)
    # Wine also takes away the icons of windows that are gone, so this shows
    # that the icon went with the program, not who removed it.
    poll(lambda: not ctl.tray_icons(), 10, what="the tray icon to go")


def test_exit_while_a_help_box_is_open_ends_the_program(fresh_zant, ctl):
    ctl.help(MAIN, MAIN)
    ctl.wait_msgbox(10, fresh_zant.pid)
    exit_command(fresh_zant, ctl)
    assert wait_exit(fresh_zant) == 0
    assert ctl.msgbox(fresh_zant.pid) is None


def test_exit_while_hidden_ends_the_program(fresh_zant, ctl):
    ctl.send(MAIN, WM_SYSCOMMAND, 1536, 0)
    poll(lambda: not ctl.visible(MAIN), 10, what="the form hidden")
    exit_command(fresh_zant, ctl)
    assert wait_exit(fresh_zant) == 0


def start_hosting(start_zant, ctl, limit):
    run = start_zant(files={"a.txt": "alpha"})
    ctl.lvset(run.c(FILELIST), -1, "selected")
    ctl.tbsetpos(run.c(CONNSLIDER), limit)
    ctl.command(MAIN, HOSTBUTTON)
    poll(lambda: run.title_of(MAIN) == "ZANT - 127.0.0.1", 10, what="hosting")
    return run


def test_exit_while_hosting_leaves_the_log_complete_and_closed(start_zant, ctl):
    run = start_hosting(start_zant, ctl, 5)
    requests = [f"GET /a.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Number: {n}\r\n\r\n"
                for n in range(3)]
    for request in requests:
        assert parse_response(http_raw(request))[0] == 200
    log = run.base / "WebLog.txt"
    # While the program runs it keeps the log open, other programs may read it
    # but not write it.
    assert ctl.open_for_writing(log) == {"opened": False, "error": ERROR_SHARING_VIOLATION}

    exit_command(run, ctl)
    assert wait_exit(run) == 0
    assert ctl.open_for_writing(log) == {"opened": True, "error": 0}
    text = log.read_bytes().decode("latin-1")
    entries = text.split("[127.0.0.1] ")
    assert entries[0] == "" and len(entries) == 4
    for request, entry in zip(requests, entries[1:]):
        date, command, received = entry.split("\r\n", 2)
        assert HTTP_DATE.fullmatch(date)
        assert command == "Command- GET \\a.txt"
        assert received == request + "\r\n"


def test_exit_while_requests_are_in_flight_ends_cleanly_with_the_log_complete(start_zant, ctl):
    run = start_zant(files={"a.txt": "alpha", "big.bin": random.Random(3).randbytes(32 << 20)})
    ctl.lvset(run.c(FILELIST), -1, "selected")
    ctl.tbsetpos(run.c(CONNSLIDER), 50)
    ctl.command(MAIN, HOSTBUTTON)
    poll(lambda: run.title_of(MAIN) == "ZANT - 127.0.0.1", 10, what="hosting")
    ending = threading.Event()
    answered = []

    def small_requests(client):
        for n in itertools.count():
            marker = f"X-Number: {client}-{n}"
            try:
                raw = http_raw(f"GET /a.txt HTTP/1.1\r\n{marker}\r\n\r\n", timeout=10)
            except OSError:
                return
            if raw.endswith(b"\r\n\r\nalpha"):
                answered.append(marker)
            if ending.is_set():
                return

    clients = [threading.Thread(target=small_requests, args=(k,)) for k in range(4)]
    with socket.create_connection(("127.0.0.1", 80), timeout=30) as download, \
            socket.create_connection(("127.0.0.1", 80), timeout=30) as slow:
        # A large download that is not read on, and a client still sending its request.
        download.sendall(b"GET /big.bin HTTP/1.1\r\n\r\n")
        assert download.recv(1) == b"H"
        slow.sendall(b"GET /a.txt HTTP/1.1\r\nX-Slow: ")
        for client in clients:
            client.start()
        poll(lambda: len(answered) >= 20, 60, what="small requests answered")
        exit_command(run, ctl)
        assert wait_exit(run) == 0
    ending.set()
    for client in clients:
        client.join(30)
    poll(lambda: not ctl.tray_icons(), 10, what="the tray icon to go")
    text = (run.base / "WebLog.txt").read_bytes().decode("latin-1")
    entries = text.split("[127.0.0.1] ")
    assert entries[0] == ""
    # Every entry is whole, and every answered request has its own.
    whole = re.compile(rf"{HTTP_DATE_PATTERN}\r\nCommand- [^\r\n]*\r\n(.*\r\n)*\r\n", re.S)
    assert all(whole.fullmatch(e) for e in entries[1:])
    assert all(text.count(marker + "\r\n") == 1 for marker in answered)


@pytest.mark.parametrize("limit, sent, counter, logged", [
    # Waits for admission: never accepted, so never logged.
    (0, "GET /a.txt HTTP/1.1\r\n\r\n", "\t0000 of 0000 Connections", None),
    # Waits for the rest of its request: what it sent is logged as for a
    # client that closed (whose end of stream reads as one more empty line).
    (5, "GET /a.txt HTTP/1.1\r\nX-Half: yes\r\n", "\t0001 of 0005 Connections",
     "Command- GET \\a.txt\r\nGET /a.txt HTTP/1.1\r\nX-Half: yes\r\n\r\n\r\n"),
], ids=["waiting-for-admission", "reading-the-request"])
def test_exit_does_not_wait_for_connections_in_progress(start_zant, ctl, limit, sent, counter,
                                                        logged):
    run = start_hosting(start_zant, ctl, limit)
    threads = ctl.procinfo(run.pid)["threads"]
    with socket.create_connection(("127.0.0.1", 80), timeout=30) as sock:
        sock.sendall(sent.encode("ascii"))
        # A worker has started for the connection and got as far as it can.
        poll(lambda: ctl.procinfo(run.pid)["threads"] > threads, 10, what="the worker")
        poll(lambda: ctl.sbtext(run.c(STATUSBAR), 4) == counter, 10, what="the counter")
        exit_command(run, ctl)
        assert wait_exit(run) == 0
        # The connection ends with the program, unanswered.
        try:
            assert sock.recv(1024) == b""
        except ConnectionResetError:
            pass
    path = run.base / "WebLog.txt"
    log = path.read_bytes().decode("latin-1") if path.exists() else ""
    assert log.count("[127.0.0.1] ") == (1 if logged else 0)
    if logged:
        assert log.endswith(logged)
