"""Load and faults: many connections at once, clients that do not read or
trickle, the log rotating under concurrent entries, files that change while
they are served. Nothing may be lost, leaked or left hanging."""

import os
import re
import socket
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import pytest

from answers import OK, content_length, log_entry_pattern, status_bytes
from zant_harness import (CONNSLIDER, FILELIST, HOSTBUTTON, STATUSBAR, http_raw, parse_response,
                          poll)

ONE_KIB = os.urandom(1024)


def host(run, ctl, limit):
    ctl.lvset(run.c(FILELIST), -1, "selected")
    ctl.tbsetpos(run.c(CONNSLIDER), limit)
    ctl.click(run.c(HOSTBUTTON))
    poll(lambda: ctl.sbtext(run.c(STATUSBAR), 2) == "\tOnline", 10, what="hosting")


def counter(run, ctl):
    return ctl.sbtext(run.c(STATUSBAR), 4)


def get(path, headers="", timeout=60.0):
    return http_raw(f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n{headers}\r\n", timeout=timeout)


def test_two_thousand_connections_sixteen_at_a_time(start_zant, ctl):
    run = start_zant({"one.bin": ONE_KIB})
    host(run, ctl, 1000)

    def fetch(i):
        raw = get(f"/one.bin", headers=f"X-Request: {i}\r\n", timeout=120)
        status, _, body = parse_response(raw)
        return status == 200 and body == ONE_KIB

    # The first connections of a run, and the first that meet at a lock, make
    # what later ones reuse (a lock's wait object is made on first contention).
    with ThreadPoolExecutor(16) as pool:
        assert sum(pool.map(fetch, range(200))) == 200
    poll(lambda: counter(run, ctl) == "\t0000 of 1000 Connections", 30, what="an idle server")
    before = ctl.procinfo(run.pid)

    with ThreadPoolExecutor(16) as pool:
        answered = sum(pool.map(fetch, range(2000)))
    assert answered == 2000

    poll(lambda: counter(run, ctl) == "\t0000 of 1000 Connections", 30,
         what="every slot given back")
    # Every worker thread has ended and every connection and file it opened is
    # closed. A lock makes its wait object the first time two threads meet at
    # it, which for a lock or two may happen only now, even after the warm-up:
    # a few handles at most, where a leak would show one per connection.
    last = {}
    lock_objects = 4

    def settled():
        last.update(ctl.procinfo(run.pid))
        return (last["threads"] == before["threads"]
                and last["handles"] <= before["handles"] + lock_objects)

    try:
        poll(settled, 60, what="the thread and handle counts back to where they were")
    except TimeoutError:
        pytest.fail(f"before {before}, after {last}")


def test_clients_that_do_not_read_read_slowly_or_trickle_are_let_go(start_zant, ctl):
    big = os.urandom(32 << 20)
    run = start_zant({"big.bin": big, "one.bin": ONE_KIB})
    host(run, ctl, 10)

    stalled = socket.create_connection(("127.0.0.1", 80))
    stalled.sendall(b"GET /big.bin HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    # About 100 bytes a second, through a small receive buffer: once the
    # buffers on the way are full, the server sends no faster than that.
    sipper = socket.socket()
    sipper.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    sipper.connect(("127.0.0.1", 80))
    sipper.sendall(b"GET /big.bin HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    sipped = {"bytes": 0, "stop": False}

    def sip():
        sipper.settimeout(1)
        while not sipped["stop"]:
            try:
                chunk = sipper.recv(100)
            except socket.timeout:
                continue
            except OSError:
                break
            if not chunk:
                break
            sipped["bytes"] += len(chunk)
            time.sleep(1)

    sipping = threading.Thread(target=sip)
    sipping.start()
    trickler = socket.create_connection(("127.0.0.1", 80))
    trickler.sendall(b"GET /one.bin HTTP/1.1")
    started = time.monotonic()
    trickled = {"answer": b""}

    def trickle():
        # A byte every few seconds: the request line never ends by itself.
        trickler.settimeout(4)
        while time.monotonic() - started < 120:
            try:
                trickler.sendall(b"X")
            except OSError:
                break
            try:
                chunk = trickler.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                break
            if not chunk:
                break
            trickled["answer"] += chunk
        trickler.close()

    trickling = threading.Thread(target=trickle)
    trickling.start()

    # Meanwhile everyone else is served.
    poll(lambda: counter(run, ctl) == "\t0003 of 0010 Connections", 20, what="all three held")
    for i in range(20):
        assert parse_response(get("/one.bin"))[2] == ONE_KIB

    # All are let go: the reading bound ends the trickle, the send time-out the
    # stall, the pace of the answer the slow reader.
    poll(lambda: counter(run, ctl) == "\t0000 of 0010 Connections", 150,
         what="every slot given back")
    sipped["stop"] = True
    sipping.join(10)
    sipper.close()
    assert 0 < sipped["bytes"] < 16 * 1024
    trickling.join(60)
    assert trickled["answer"].startswith(status_bytes(OK))
    assert trickled["answer"].endswith(ONE_KIB)

    stalled.settimeout(10)
    received = b""
    try:
        while True:
            chunk = stalled.recv(1 << 20)
            if not chunk:
                break
            received += chunk
    except OSError:
        pass
    stalled.close()
    head, _, body = received.partition(b"\r\n\r\n")
    assert content_length(len(big)).encode() in head
    assert 0 < len(body) < len(big)
    assert big.startswith(body)
    assert parse_response(get("/one.bin"))[2] == ONE_KIB


def entries_of(text):
    """The log's entries: each begins with the peer's address in brackets."""
    starts = [m.start() for m in re.finditer(r"\[127\.0\.0\.1\] ", text)]
    return [text[a:b] for a, b in zip(starts, starts[1:] + [len(text)])]


def test_log_rotates_under_concurrent_entries_without_losing_or_mixing_any(start_zant, ctl):
    # A log just below the size at which it is moved aside.
    filler = ("#" * 98 + "\r\n") * 20970
    run = start_zant({"WebLog.txt": filler, "one.bin": ONE_KIB})
    host(run, ctl, 50)

    def fetch(i):
        status, _, body = parse_response(get("/one.bin", headers=f"X-Entry: {i:04d}\r\n"))
        return status == 200 and body == ONE_KIB

    with ThreadPoolExecutor(24) as pool:
        assert sum(pool.map(fetch, range(200))) == 200
    poll(lambda: counter(run, ctl) == "\t0000 of 0050 Connections", 30, what="an idle server")

    backup = (run.base / "WebLog.bak").read_bytes().decode("latin-1")
    current = (run.base / "WebLog.txt").read_bytes().decode("latin-1")
    assert backup.startswith(filler)
    assert len(backup.encode("latin-1")) > 2097152
    logged = entries_of(backup[len(filler):]) + entries_of(current)
    seen = {}
    for entry in logged:
        number = re.search(r"X-Entry: (\d{4})\r\n", entry).group(1)
        seen[number] = seen.get(number, 0) + 1
        expected = log_entry_pattern("GET \\one.bin", ["GET /one.bin HTTP/1.1", "Host: 127.0.0.1",
                                                        f"X-Entry: {number}", ""])
        assert expected.fullmatch(entry), entry
    assert sorted(seen) == [f"{i:04d}" for i in range(200)]
    assert set(seen.values()) == {1}


def test_files_that_change_while_served(start_zant, ctl):
    big = os.urandom(64 << 20)
    run = start_zant({"gone.txt": "soon gone", "locked.txt": "held by another program",
                      "shrinking.bin": big})
    host(run, ctl, 10)

    # Deleted after the folder was read: not found, and not made again.
    os.remove(run.base / "gone.txt")
    assert parse_response(get("/gone.txt"))[0] == 404
    assert not (run.base / "gone.txt").exists()

    # Locked by another program: not found until it lets go.
    assert ctl.hold(run.base / "locked.txt")
    try:
        assert parse_response(get("/locked.txt"))[0] == 404
    finally:
        ctl.release()
    assert parse_response(get("/locked.txt"))[2] == b"held by another program"

    # Shrunk while its answer is on the way: the length announced stays, the body
    # ends where the file now ends, and the next request sees the new size.
    with socket.create_connection(("127.0.0.1", 80), timeout=30) as sock:
        sock.sendall(b"GET /shrinking.bin HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        received = sock.recv(65536)
        os.truncate(run.base / "shrinking.bin", 1 << 20)
        while True:
            chunk = sock.recv(1 << 20)
            if not chunk:
                break
            received += chunk
    head, _, body = received.partition(b"\r\n\r\n")
    assert content_length(len(big)).encode() in head
    assert len(body) < len(big)
    assert big.startswith(body)
    status, headers, body = parse_response(get("/shrinking.bin"))
    assert status == 200 and body == big[: 1 << 20]
    poll(lambda: counter(run, ctl) == "\t0000 of 0010 Connections", 30, what="an idle server")
