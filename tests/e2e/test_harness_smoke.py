"""The harness itself: the tool answers, the program starts and stops through
it, pictures and raw HTTP work. Behaviour of the program is tested elsewhere."""

import socket
import struct
import threading
import time

import pytest

from zant_harness import (FILELIST, HOSTBUTTON, IPLIST, LB_SETCURSEL, MAIN, READING, ZANT_EXE,
                          CtlError, bmp_to_png, http_raw, parse_response, png_pixels)

needs_zant = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

BASE_FILES = {"a.txt": "hello", "docs/": None, "docs/b.txt": "world"}


def test_bmp_to_png_keeps_pixels_and_orientation():
    width, height = 3, 2
    stride = (width * 3 + 3) & ~3
    # Bottom-up BGR rows: the last row of the picture comes first in the file.
    bottom = bytes([255, 0, 0] * 3) + b"\0" * (stride - 9)  # blue
    top = bytes([0, 0, 255, 0, 255, 0, 255, 255, 255]) + b"\0" * (stride - 9)  # red, green, white
    pixels = bottom + top
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    w, h, rows = png_pixels(bmp_to_png(header + info + pixels))
    assert (w, h) == (3, 2)
    assert rows[0] == [(255, 0, 0), (0, 255, 0), (255, 255, 255)]
    assert rows[1] == [(0, 0, 255)] * 3


def test_http_raw_reads_until_the_peer_closes():
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    port = server.getsockname()[1]
    got = []

    def answer():
        conn, _ = server.accept()
        got.append(conn.recv(1024))
        conn.sendall(b"HTTP/1.1 200 OK\r\nA: b\r\n\r\nbo")
        time.sleep(0.05)
        conn.sendall(b"dy")
        conn.close()

    thread = threading.Thread(target=answer)
    thread.start()
    raw = http_raw(b"GET / HTTP/1.1\r\n\r\n", port=port, timeout=5)
    thread.join()
    server.close()
    assert got == [b"GET / HTTP/1.1\r\n\r\n"]
    assert parse_response(raw) == (200, [("A", "b")], b"body")


def test_tool_reports_errors_as_err_lines(ctl):
    with pytest.raises(CtlError, match="unknown command"):
        ctl.call("no-such-command")
    with pytest.raises(CtlError, match="no window"):
        ctl.text("NO_SUCH_CLASS_ANYWHERE/1")
    assert ctl.exists("NO_SUCH_CLASS_ANYWHERE") is False


@needs_zant
def test_program_starts_shows_its_form_and_is_listed(zant, ctl):
    assert ctl.visible(MAIN)
    assert not ctl.exists(READING)
    mine = [w for w in ctl.windows(zant.pid) if w["class"] == MAIN]
    assert len(mine) == 1 and mine[0]["visible"]
    info = ctl.procinfo(zant.pid)
    assert info["threads"] >= 1 and info["handles"] > 0


@needs_zant
def test_file_list_rows_come_back_with_their_columns(zant, ctl):
    rows = ctl.lvrows(zant.c(FILELIST))
    names = [row["texts"][0] for row in rows]
    assert "\\a.txt" in names and "\\docs\\b.txt" in names
    assert all(len(row["texts"]) == len(ctl.lvcols(zant.c(FILELIST))) for row in rows)
    assert ctl.lvcount(zant.c(FILELIST))["count"] == len(rows)


@needs_zant
def test_screenshot_of_the_main_form_is_a_png_of_its_size(zant, ctl):
    png = ctl.screenshot_png(MAIN, "harness-smoke-main")
    rect = ctl.rect(MAIN)["window"]
    width, height, rows = png_pixels(png.read_bytes())
    assert (width, height) == (rect["right"] - rect["left"], rect["bottom"] - rect["top"])
    assert len(set(rows[height // 2])) > 1  # something is drawn, not one flat colour


@needs_zant
@pytest.mark.parametrize("via", ["close", "exit"])
def test_program_closes_with_exit_code_zero(fresh_zant, ctl, via):
    assert fresh_zant.close(via=via) == 0
    assert not ctl.exists(MAIN)


@needs_zant
def test_close_also_ends_a_scan_in_progress(start_zant, ctl):
    run = start_zant(files={}, finish=False)
    run.wait_scan_done()
    assert run.close() == 0
    assert not ctl.exists(READING) and not ctl.exists(MAIN)


@needs_zant
def test_a_click_that_opens_a_message_box_returns_at_once(fresh_zant, ctl):
    # Host without a chosen address answers with a message box.
    ctl.send(fresh_zant.c(IPLIST), LB_SETCURSEL, -1)
    started = time.monotonic()
    clicked = ctl.click(fresh_zant.c(HOSTBUTTON))
    assert time.monotonic() - started < 3
    assert not clicked["done"] and clicked["opened"]["class"] == "#32770"
    box = ctl.msgbox(fresh_zant.pid)
    assert box["hwnd"] == clicked["opened"]["hwnd"]
    assert [b["id"] for b in box["buttons"]] == [1]
    ctl.msgboxclose(1, fresh_zant.pid)
    assert ctl.msgbox(fresh_zant.pid) is None
