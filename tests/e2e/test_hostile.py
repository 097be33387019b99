"""Hostile requests against the hosting program. Whatever a client sends, the
answer is the one the program's rules give (a request path is served only when
it equals a shared row, letter case aside, so most tricks end in 404 or the
listing-denied page), no byte of a file outside the shared rows is ever sent,
the worker gives its connection slot back and the next request is served."""

import random
import re
import socket
import subprocess
import struct
import threading
import time
from pathlib import Path

import pytest

import answers
from answers import DENIED_PAGE, OK, expected_answer, file_status, page_status, status_bytes
from zant_harness import (LOGEDIT, ZANT_EXE, HttpConnection, http_raw, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

OUTSIDE_SECRET = b"OUTSIDE-SECRET-7d1c9e04a2b8"
# Larger than what the connection's buffers hold, so that its sending waits on the client.
LARGE = b"0123456789abcdef" * (1 << 20)
INSIDE_SECRET = b"INSIDE-SECRET-5f3a0c6b19e2"
PRIVATE_SECRET = b"PRIVATE-SECRET-c4e8b2d7a031"
PUBLIC = b"PUBLIC-CONTENT"
PAGE = b"PAGE-CONTENT"
GUARDED = b"GUARDED-CONTENT"

# Beside the base folder, where nothing may reach.
OUTSIDE_FILES = {"outside-secret.txt": OUTSIDE_SECRET}
# Every file is dated BASE_MTIME (the zant fixture reads it from this module),
# so that it is sent as answers.MODIFIED.
BASE_MTIME = answers.BASE_MTIME
BASE_FILES = {
    "public.txt": PUBLIC,
    "secret-notes.txt": INSIDE_SECRET,  # its short name is SECRET~1.TXT
    "docs/": None,
    "docs/page.txt": PAGE,
    "private/": None,
    "private/inner.txt": PRIVATE_SECRET,
    "prot/": None,
    "prot/Guarded.txt": GUARDED,
    # Names Windows takes for devices; shared rows, yet never opened as files.
    "CON": b"DEVICE-NAMED-FILE",
    "nul.txt": b"DEVICE-NAMED-FILE",
    "aux.txt": b"DEVICE-NAMED-FILE",
    "large.bin": LARGE,
}
UNSHARED = ["\\secret-notes.txt", "\\private\\", "\\private\\inner.txt"]
PROTECTED = ["\\prot\\Guarded.txt"]
USER, PASSWORD = "hostile", "pw"
CREDENTIAL = "aG9zdGlsZTpwdw=="  # Base64 of hostile:pw
LIMIT = 20


def file_answer(body):
    return file_status(len(body)), "text/plain", body


def not_found(content_type="text/plain"):
    return answers.NOT_FOUND, content_type, b""


# The answers as expected_answer takes them: status block, content type, body.
DENIED = (page_status(DENIED_PAGE), "text/html", DENIED_PAGE)
REDIRECT = (answers.REDIRECT, "application/octet-stream", b"")
UNAUTHORIZED = (answers.UNAUTHORIZED, "text/plain", b"")
SERVED = file_answer(PUBLIC)
OCTETS = "application/octet-stream"


def tls_client_hello():
    """A TLS 1.2 ClientHello for "localhost", as a browser sends to an https:// URL on port 80."""
    rng = random.Random(443)
    suites = bytes.fromhex("130113021303c02bc02fc02cc030cca9cca8c013c014009c009d002f0035")
    name = b"localhost"
    sni = struct.pack(">HHHBH", 0, len(name) + 5, len(name) + 3, 0, len(name)) + name
    versions = bytes.fromhex("002b0005040304030300")
    extensions = sni + versions
    body = (b"\x03\x03" + rng.randbytes(32) + b"\x20" + rng.randbytes(32)
            + struct.pack(">H", len(suites)) + suites + b"\x01\x00"
            + struct.pack(">H", len(extensions)) + extensions)
    handshake = b"\x01" + len(body).to_bytes(3, "big") + body
    return b"\x16\x03\x01" + struct.pack(">H", len(handshake)) + handshake


GARBAGE = random.Random(7).randbytes(4096)
HELLO = tls_client_hello()


def request(target, *headers, method=b"GET"):
    """A request in one piece; target and headers as bytes."""
    return b"\r\n".join([method + b" " + target + b" HTTP/1.1", b"Host: 127.0.0.1", *headers]) + \
        b"\r\n\r\n"


def auth(value):
    return b"Authorization: Basic " + value


RIGHT = CREDENTIAL.encode()

# id, bytes sent ({outer} becomes the folder above the base folder as Z:\...,
# {outer/} the same with slashes), whether the client then shuts its sending
# side, and the answer: (status lines, content type, body).
CASES = [
    # Dot-dot, in every spelling.
    ("dotdot", request(b"/../outside-secret.txt"), False, not_found()),
    ("dotdot-from-folder", request(b"/docs/../../outside-secret.txt"), False, not_found()),
    ("dotdot-to-a-shared-file", request(b"/docs/../public.txt"), False, not_found()),
    ("dotdot-to-unshared", request(b"/docs/../secret-notes.txt"), False, not_found()),
    ("dotdot-escaped", request(b"/%2e%2e/outside-secret.txt"), False, not_found()),
    ("dotdot-escaped-upper", request(b"/%2E%2E%2Foutside-secret.txt"), False, not_found()),
    ("dotdot-escaped-backslash", request(b"/..%5coutside-secret.txt"), False, not_found()),
    ("dotdot-raw-backslash", request(b"/..\\outside-secret.txt"), False, not_found()),
    ("dotdot-mixed-slashes", request(b"/docs\\../..\\/outside-secret.txt"), False, not_found()),
    ("dotdot-double-encoded", request(b"/%252e%252e/outside-secret.txt"), False, not_found()),
    ("dotdot-double-encoded-slash", request(b"/..%252f..%252foutside-secret.txt"), False,
     not_found()),
    ("dotdot-folder", request(b"/../"), False, DENIED),
    ("dotdot-escaped-folder", request(b"/docs/%2e%2e/"), False, DENIED),
    ("dotdot-into-unshared-folder", request(b"/docs/../private/"), False, DENIED),
    ("three-dots", request(b"/.../outside-secret.txt"), False, not_found()),
    # Trailing dots and spaces, which Windows would strip from a file name.
    ("trailing-dot", request(b"/public.txt."), False, not_found(OCTETS)),
    ("trailing-dot-unshared", request(b"/secret-notes.txt."), False, not_found(OCTETS)),
    ("trailing-dots-folder", request(b"/docs../page.txt"), False, not_found()),
    ("trailing-space-unshared", request(b"/secret-notes.txt%20"), False, not_found()),
    # The path is trimmed of spaces by rule, so this one is the shared file.
    ("trailing-space-shared", request(b"/public.txt%20"), False, SERVED),
    ("trailing-space-dot", request(b"/public.txt%20."), False, not_found(OCTETS)),
    ("spaces-around-path", b"GET    /public.txt    HTTP/1.1\r\n\r\n", False, SERVED),
    # Alternate data streams.
    ("data-stream", request(b"/public.txt::$DATA"), False, not_found(OCTETS)),
    ("data-stream-unshared", request(b"/secret-notes.txt::$DATA"), False, not_found(OCTETS)),
    ("named-stream", request(b"/public.txt:hidden"), False, not_found(OCTETS)),
    ("folder-index-stream", request(b"/docs::$INDEX_ALLOCATION/"), False, DENIED),
    # Short 8.3 names.
    ("short-name-unshared", request(b"/SECRET~1.TXT"), False, not_found()),
    ("short-name-escaped", request(b"/SECRET%7E1.TXT"), False, not_found()),
    ("short-folder-name", request(b"/PRIVAT~1/inner.txt"), False, not_found()),
    ("eight-three-name-of-shared-file", request(b"/PUBLIC.TXT"), False, SERVED),
    # Device names without a row.
    ("device-com1", request(b"/COM1"), False, not_found(OCTETS)),
    ("device-lpt1-ext", request(b"/LPT1.txt"), False, not_found()),
    ("device-prn", request(b"/PRN"), False, not_found(OCTETS)),
    ("device-in-folder", request(b"/docs/NUL"), False, not_found(OCTETS)),
    ("device-conin", request(b"/CONIN$"), False, not_found(OCTETS)),
    ("device-folder", request(b"/AUX/"), False, DENIED),
    # Drive letters and UNC forms.
    ("drive-letter", b"GET C:\\windows\\win.ini HTTP/1.1\r\n\r\n", False, not_found(OCTETS)),
    ("drive-letter-after-slash", request(b"/C:/windows/win.ini"), False, not_found(OCTETS)),
    ("drive-letter-escaped", request(b"/c%3a%5cwindows%5cwin.ini"), False, not_found(OCTETS)),
    ("drive-root-folder", request(b"/C:\\"), False, DENIED),
    ("drive-of-the-outer-folder", b"GET {outer}\\outside-secret.txt HTTP/1.1\r\n\r\n", False,
     not_found()),
    ("drive-of-the-outer-folder-after-slash", request(b"/{outer/}/outside-secret.txt"), False,
     not_found()),
    ("unc-long-path", b"GET \\\\?\\{outer}\\outside-secret.txt HTTP/1.1\r\n\r\n", False,
     not_found()),
    ("unc-device-path", b"GET \\\\.\\{outer}\\outside-secret.txt HTTP/1.1\r\n\r\n", False,
     not_found()),
    ("unc-long-path-slashes", request(b"//?/{outer/}/outside-secret.txt"), False, not_found()),
    ("unc-server-share", request(b"//server/share/x.txt"), False, not_found()),
    ("unc-admin-share", request(b"//127.0.0.1/c$/windows/win.ini"), False, not_found(OCTETS)),
    ("unc-long-unc", request(b"/\\\\?\\UNC\\localhost\\c$\\windows\\win.ini"), False,
     not_found(OCTETS)),
    ("absolute-uri", request(b"http://127.0.0.1/public.txt"), False, not_found()),
    # Overlong UTF-8 and other bytes above 126.
    ("overlong-dot", request(b"/%c0%ae%c0%ae/outside-secret.txt"), False, not_found()),
    ("overlong-slash", request(b"/..%c0%afoutside-secret.txt"), False, not_found()),
    ("overlong-raw", request(b"/\xc0\xae\xc0\xae/outside-secret.txt"), False, not_found()),
    # A byte that is not well-formed UTF-8 stands for no character, so the name
    # it is in matches no row, not even the one it would leave if dropped.
    ("high-byte-in-shared-name", request(b"/pub\xc0lic.txt"), False, not_found()),
    ("high-byte-in-unshared-name", request(b"/secret\xff-notes.txt"), False, not_found()),
    # NUL, escaped and raw.
    ("escaped-nul", request(b"/public.txt%00.htm"), False, not_found("text/html")),
    ("escaped-nul-unshared", request(b"/secret-notes.txt%00"), False, not_found(OCTETS)),
    ("raw-nul-extension", request(b"/public.txt\x00.htm"), False, not_found("text/html")),
    ("raw-nul-unshared", request(b"/secret-notes.txt\x00"), False, not_found()),
    ("raw-nul-shared", request(b"/public.txt\x00"), False, SERVED),
    ("raw-nul-before-dotdot", request(b"/\x00../outside-secret.txt"), False, not_found()),
    ("tab-in-shared-name", request(b"/pub\tlic.txt"), False, SERVED),
    # Truncated and invalid escapes.
    ("escape-cut-after-percent", request(b"/public.txt%"), False, not_found(OCTETS)),
    ("escape-cut-after-one-digit", request(b"/public.txt%2"), False, not_found(OCTETS)),
    ("percent-alone", request(b"/%"), False, not_found(OCTETS)),
    ("escape-not-hex", request(b"/%zz/../public.txt"), False, not_found()),
    ("escape-cut-folder", request(b"/%2/"), False, DENIED),
    ("escaped-letter", request(b"/%70ublic.txt"), False, SERVED),
    ("escaped-slash", request(b"/docs%2fpage.txt"), False, file_answer(PAGE)),
    # The program's own files are not rows of the list.
    ("the-request-log", request(b"/WebLog.txt"), False, not_found()),
    # Request lines and line ends.
    ("request-line-of-65537-bytes", b"GET /" + b"a" * 65532, True, not_found(OCTETS)),
    ("ten-thousand-header-lines", b"GET /public.txt HTTP/1.1\r\n" + b"X: 1\r\n" * 10000 + b"\r\n",
     False, SERVED),
    ("binary-garbage", GARBAGE, True, REDIRECT),
    ("tls-client-hello", HELLO, True, REDIRECT),
    ("bare-lf", b"GET /public.txt HTTP/1.1\nHost: 127.0.0.1\n\n", False, SERVED),
    # Without LF the request is one line; its last space cuts it.
    ("lone-cr", b"GET /public.txt HTTP/1.1\rHost: 127.0.0.1\r\r", True, not_found(OCTETS)),
    ("empty-lines-only", b"\r\n\r\n", False, REDIRECT),
    ("request-after-an-empty-line", b"\r\n" + request(b"/public.txt"), False, REDIRECT),
    ("cr-inside-the-path", request(b"/pub\rlic.txt"), False, SERVED),
    ("tabs-instead-of-spaces", b"GET\t/public.txt\tHTTP/1.1\r\n\r\n", False, REDIRECT),
    ("escaped-line-end-in-path", request(b"/public.txt%0d%0aX-Injected:%20yes"), False,
     not_found(OCTETS)),
    ("nothing-then-end-of-stream", b"", True, REDIRECT),
    ("request-line-without-version", b"GET /public.txt\r\n\r\n", False, not_found(OCTETS)),
    ("later-get-line-wins", request(b"/public.txt", b"GET /secret-notes.txt HTTP/1.1"), False,
     not_found()),
    ("header-that-starts-with-get", request(b"/public.txt", b"GETX: /public.txt x"), False,
     (REDIRECT[0], "text/plain", b"")),
    ("method-head-prefixed", request(b"/public.txt", method=b"HEADX"), False,
     (REDIRECT[0], "text/plain", b"")),
    ("post-with-100-kb-body",
     request(b"/public.txt", b"Content-Length: 102400", method=b"POST") + b"x" * 102400, False,
     REDIRECT),
    ("get-with-100-kb-body", request(b"/public.txt", b"Content-Length: 102400") + b"x" * 102400,
     False, SERVED),
    ("pipelined", request(b"/public.txt") + request(b"/docs/page.txt"), False, SERVED),
    ("pipelined-unshared-second", request(b"/public.txt") + request(b"/secret-notes.txt"), False,
     SERVED),
    # Credentials for the protected file.
    ("no-credential", request(b"/prot/Guarded.txt"), False, UNAUTHORIZED),
    ("right-credential", request(b"/prot/Guarded.txt", auth(RIGHT)), False, file_answer(GUARDED)),
    ("other-case-without-credential", request(b"/PROT/GUARDED.TXT"), False, UNAUTHORIZED),
    ("other-case-with-credential", request(b"/PROT/GUARDED.TXT", auth(RIGHT)), False,
     file_answer(GUARDED)),
    ("empty-credential", request(b"/prot/Guarded.txt", b"Authorization: Basic"), False,
     UNAUTHORIZED),
    ("not-base64", request(b"/prot/Guarded.txt", auth(b"!!!")), False, UNAUTHORIZED),
    ("other-scheme", request(b"/prot/Guarded.txt", b"Authorization: Bearer " + RIGHT), False,
     UNAUTHORIZED),
    ("header-name-lower-case", request(b"/prot/Guarded.txt", b"authorization: Basic " + RIGHT),
     False, UNAUTHORIZED),
    ("scheme-lower-case", request(b"/prot/Guarded.txt", b"Authorization: basic " + RIGHT), False,
     UNAUTHORIZED),
    ("credential-with-spaces-around", request(b"/prot/Guarded.txt", auth(b"   " + RIGHT + b"  ")),
     False, file_answer(GUARDED)),
    # The one character after "Basic" is skipped whatever it is.
    ("tab-after-scheme", request(b"/prot/Guarded.txt", b"Authorization: Basic\t" + RIGHT), False,
     file_answer(GUARDED)),
    ("no-separator-after-scheme", request(b"/prot/Guarded.txt", b"Authorization: Basic" + RIGHT),
     False, UNAUTHORIZED),
    ("credential-prefix", request(b"/prot/Guarded.txt", auth(RIGHT[:-1])), False, UNAUTHORIZED),
    ("credential-and-more", request(b"/prot/Guarded.txt", auth(RIGHT + b"x")), False,
     UNAUTHORIZED),
    ("credential-twice-in-one-value", request(b"/prot/Guarded.txt", auth(RIGHT + RIGHT)), False,
     UNAUTHORIZED),
    ("credential-without-padding", request(b"/prot/Guarded.txt", auth(RIGHT.rstrip(b"="))), False,
     UNAUTHORIZED),
    ("credential-of-60-kb", request(b"/prot/Guarded.txt", auth(b"A" * 60000)), False,
     UNAUTHORIZED),
    ("wrong-then-right", request(b"/prot/Guarded.txt", auth(b"d3Jvbmc="), auth(RIGHT)), False,
     file_answer(GUARDED)),
    ("right-then-wrong", request(b"/prot/Guarded.txt", auth(RIGHT), auth(b"d3Jvbmc=")), False,
     UNAUTHORIZED),
]

# Shared rows whose names Windows takes for devices: the name opens the device,
# not the file, and only plain disk files are served.
DEVICE_ROWS = [
    ("con", b"/CON", OCTETS),
    ("nul-with-extension", b"/nul.txt", "text/plain"),
    ("aux-with-extension-other-case", b"/AUX.TXT", "text/plain"),
]


@pytest.fixture
def server(zant):
    """The module's program, hosting on 127.0.0.1 with every row but the
    secrets shared, one file protected and the credentials typed in."""
    if not getattr(zant, "hostile_ready", False):
        zant.share(unshared=UNSHARED, protected=PROTECTED)
        zant.set_credentials(USER, PASSWORD)
        assert zant.host(LIMIT) == "127.0.0.1"
        zant.hostile_ready = True
    return zant


@pytest.fixture
def secrets(desktop):
    """Bytes that no answer may ever carry: the files outside the shared rows,
    and the Windows folder's win.ini that drive letters aim at."""
    found = [OUTSIDE_SECRET, INSIDE_SECRET, PRIVATE_SECRET]
    win_ini = Path(desktop.env["WINEPREFIX"]) / "drive_c" / "windows" / "win.ini"
    if win_ini.exists() and len(win_ini.read_bytes().strip()) >= 8:
        found.append(win_ini.read_bytes().strip())
    return found


def assert_no_secret(raw, secrets):
    for secret in secrets:
        assert secret not in raw, f"an answer carried {secret[:40]!r}"


def assert_still_serving(run):
    """The worker gave its slot back and the next request is answered."""
    idle = f"\t0000 of {LIMIT:04d} Connections"
    assert run.wait_idle() == idle
    raw = http_raw(request(b"/public.txt"))
    assert raw == expected_answer(raw, *SERVED)
    assert run.wait_idle() == idle


def outer_paths(run):
    windows = "Z:" + str(run.base.parent).replace("/", "\\")
    return {b"{outer}": windows.encode(), b"{outer/}": windows.replace("\\", "/").encode()}


@pytest.mark.parametrize("sent, half_close, answer", [c[1:] for c in CASES],
                         ids=[c[0] for c in CASES])
def test_hostile_request_gets_the_answer_of_the_rules(server, secrets, sent, half_close, answer):
    for placeholder, path in outer_paths(server).items():
        sent = sent.replace(placeholder, path)
    raw = http_raw(sent, half_close=half_close, timeout=30)
    assert_no_secret(raw, secrets)
    assert raw == expected_answer(raw, *answer)
    assert_still_serving(server)


# Requests written a line at a time, as telnet, nc and small devices send
# them: each segment in a receive of its own.
SEGMENTED = [
    ("request-line-then-host", [b"GET /public.txt HTTP/1.0\r\n", b"Host: one\r\n", b"\r\n"],
     SERVED),
    ("credential-line-on-its-own",
     [b"GET /prot/Guarded.txt HTTP/1.0\r\n", auth(RIGHT) + b"\r\n", b"Host: two\r\n\r\n"],
     file_answer(GUARDED)),
    ("line-ends-on-their-own", [b"GET /docs/page.txt HTTP/1.0", b"\r\n", b"Host: three", b"\r\n",
                                b"\r\n"], file_answer(PAGE)),
    ("cut-inside-lines", [b"GET /pub", b"lic.txt HTTP/1.0\r\nHo", b"st: four\r\n\r\n"], SERVED),
]


@pytest.mark.parametrize("segments, answer", [c[1:] for c in SEGMENTED],
                         ids=[c[0] for c in SEGMENTED])
def test_a_request_written_line_by_line_is_read_line_by_line(server, segments, answer):
    with HttpConnection(timeout=30) as conn:
        for segment in segments:
            conn.send(segment)
            time.sleep(0.2)  # so that each arrives on its own
        raw = conn.read_all(30)
    assert raw == expected_answer(raw, *answer)
    # The log holds every line whole and on its own.
    sent = b"".join(segments)
    assert b"\r\n" + sent + b"\r\n[127.0.0.1] " in server.log_file() + b"[127.0.0.1] "
    assert_still_serving(server)


@pytest.mark.parametrize("path, content_type", [d[1:] for d in DEVICE_ROWS],
                         ids=[d[0] for d in DEVICE_ROWS])
def test_shared_row_with_a_device_name_is_not_served(server, path, content_type):
    row = "\\" + path.decode().lstrip("/")
    assert row.lower() in [r["texts"][0].lower() for r in server.rows() if r["selected"]]
    raw = http_raw(request(path))
    assert b"DEVICE-NAMED-FILE" not in raw
    assert raw == expected_answer(raw, *not_found(content_type))
    assert_still_serving(server)


def test_curl_posting_100_kb_gets_the_redirect_without_a_reset(server, tmp_path):
    body = tmp_path / "body.bin"
    body.write_bytes(b"x" * 102400)
    done = subprocess.run(["curl", "--silent", "--show-error", "--max-time", "60",
                           "--data-binary", f"@{body}", "-o", "/dev/null", "-w", "%{http_code}",
                           "http://127.0.0.1/public.txt"], capture_output=True, timeout=90)
    assert (done.returncode, done.stdout) == (0, b"302"), done.stderr
    assert_still_serving(server)


def test_a_nul_byte_in_a_request_cuts_nothing_from_the_log_window(server, ctl):
    mark = f"X-Before: nul-{time.monotonic_ns()}".encode()
    http_raw(request(b"/public.txt", mark + b"\x00after-the-nul"))
    http_raw(request(b"/public.txt"))
    server.wait_idle()
    log = server.log_file()
    assert mark + b"\x00after-the-nul\r\n\r\n\r\n[127.0.0.1] " in log

    def window():
        return ctl.text(server.c(LOGEDIT)).encode("latin-1")

    # However the window shows the NUL itself, the rest of its line and the
    # line ends of the entry are still there, so the next entry starts a line.
    shown = re.compile(re.escape(mark) + b".?after-the-nul\r\n\r\n\r\n\\[127\\.0\\.0\\.1\\] ")
    try:
        poll(lambda: shown.search(window()), 10, what="the whole entry in the log window")
    except TimeoutError:
        text = window()
        raise AssertionError(f"the log window shows {text[text.find(mark):][:160]!r}") from None
    # Later entries fill the window to its 65535 characters, no fewer.
    for _ in range(35):
        http_raw(request(b"/public.txt", b"X-Fill: " + b"f" * 2000))
    server.wait_idle()
    assert len(server.log_file()) > 65535
    poll(lambda: window() == server.log_file()[-65535:], 10,
         what="the window to hold the last 65535 characters of the log")


def reset_at_once(conn):
    conn.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()


def abort_right_after_connecting():
    for _ in range(20):
        reset_at_once(HttpConnection())


def abort_inside_the_request():
    conn = HttpConnection()
    conn.send(b"GET /public.txt HTTP/1.1\r\nHost: 127")
    reset_at_once(conn)


def abort_inside_a_large_answer():
    conn = HttpConnection()
    conn.send(request(b"/large.bin"))
    received = b""
    while len(received) < 65536:
        chunk = conn.sock.recv(65536)
        assert chunk, "the answer ended early"
        received += chunk
    assert received.startswith(status_bytes(OK))
    reset_at_once(conn)


@pytest.mark.parametrize("abort", [abort_right_after_connecting, abort_inside_the_request,
                                   abort_inside_a_large_answer],
                         ids=["right-after-connecting", "inside-the-request",
                              "inside-a-large-answer"])
def test_a_client_that_resets_the_connection_gives_its_slot_back(server, abort):
    abort()
    assert_still_serving(server)


def log_entry_after(log, marker):
    """The received text of the entry that holds marker, followed by the CR LF
    that ends the entry."""
    at = log.index(marker)
    start = log.rindex(b"\r\nCommand- ", 0, at)
    start = log.index(b"\r\n", start + 2) + 2
    end = log.find(b"\r\n[127.0.0.1] ", at)
    return log[start:] if end < 0 else log[start:end + 2]


def test_a_request_past_256_kib_is_answered_on_what_was_read(server, secrets):
    marker = f"X-Mark: big-{time.monotonic_ns()}".encode()
    fill = b"X-Fill: " + b"f" * 1000 + b"\r\n"
    sent = b"GET /public.txt HTTP/1.1\r\n" + marker + b"\r\n" + fill * 300  # no end of header
    with HttpConnection(timeout=30) as conn:
        conn.send(sent)
        raw = conn.read_all(60)
    assert_no_secret(raw, secrets)
    assert raw == expected_answer(raw, *SERVED)
    received = log_entry_after(server.log_file(), marker)
    # Reading stopped at the first line that took the text past 256 KiB.
    assert 256 * 1024 < len(received) - 2 <= 256 * 1024 + 2 * len(fill)
    assert len(received) < len(sent)
    assert_still_serving(server)


def test_a_client_that_never_stops_sending_is_cut_off(server, secrets):
    sent = [0]
    error = []
    flood = b"GET /public.txt HTTP/1.1\r\n" + b"X-Flood: " + b"f" * (1 << 20)
    total = 64 << 20

    with HttpConnection(timeout=60) as conn:
        def send_without_end():
            try:
                conn.send(flood)
                sent[0] = len(flood)
                chunk = b"f" * (1 << 20)
                while sent[0] < total:
                    conn.sock.sendall(chunk)
                    sent[0] += len(chunk)
            except OSError as exc:
                error.append(exc)

        sender = threading.Thread(target=send_without_end)
        sender.start()
        sender.join(120)
        assert not sender.is_alive(), "the server neither read on nor closed the connection"
        assert sent[0] < total, "the server read all of 64 MiB"
        assert isinstance(error[0], (ConnectionResetError, BrokenPipeError)), error
        try:
            conn.poll_answer(1.0)
        except OSError:
            pass
        assert_no_secret(conn.received, secrets)
        # Whatever part of the answer arrived before the reset is the answer's beginning.
        assert SERVED[0][0].encode().startswith(conn.received[:15])
    assert_still_serving(server)


# ---------------------------------------------------------------------------
# Clients that hold the connection open: each is answered once the reading
# time since the accept has run out. They run side by side, so the minute is
# waited out once.

SLOW = [
    # id, sent at once, trickled byte (or None), answer
    ("trickle-a-header-byte-every-3-s", b"GET /public.txt HTTP/1.1\r\nX-Slow: ", b"a", SERVED),
    ("tls-client-hello-held-open", HELLO, None, REDIRECT),
    ("lone-cr-held-open", b"GET /public.txt HTTP/1.1\rHost: 127.0.0.1\r\r", None,
     not_found(OCTETS)),
    ("request-line-cut-short", b"GET /public.txt HTT", None, SERVED),
    ("header-without-end", b"GET /docs/page.txt HTTP/1.1\r\nHost: 127.0.0.1", None,
     file_answer(PAGE)),
]
TRICKLE_EVERY = 3.0
TRICKLE_MAX = 60  # three minutes of bytes: the request never ends by itself


def serve_slow_client(sent, trickle, outcome):
    try:
        with HttpConnection(timeout=30) as conn:
            conn.send(sent)
            trickled = 0
            if trickle is not None:
                while trickled < TRICKLE_MAX and not conn.poll_answer(TRICKLE_EVERY):
                    conn.send(trickle)
                    trickled += 1
            outcome["raw"] = conn.read_all(150)
            outcome["trickled"] = trickled
    except Exception as exc:  # reported by the test below
        outcome["error"] = exc


@pytest.mark.slow
def test_clients_holding_the_connection_are_answered_when_the_reading_time_ends(server,
                                                                              secrets):
    outcomes = {case[0]: {} for case in SLOW}
    threads = [threading.Thread(target=serve_slow_client, args=(sent, trickle, outcomes[name]))
               for name, sent, trickle, _ in SLOW]
    for thread in threads:
        thread.start()
    # Beside them, a client that asks for a large file and reads none of it:
    # the sending waits for room only as long as the connection's time-out.
    with HttpConnection() as stalled:
        stalled.send(request(b"/large.bin"))
        for thread in threads:
            thread.join(300)
        server.wait_idle(timeout=120)
    problems = []
    for name, _, trickle, answer in SLOW:
        outcome = outcomes[name]
        raw = outcome.get("raw")
        if raw is None:
            problems.append(f"{name}: no answer ({outcome.get('error')!r})")
            continue
        assert_no_secret(raw, secrets)
        try:
            expected = expected_answer(raw, *answer)
        except AssertionError as exc:
            problems.append(f"{name}: {exc}")
            continue
        if raw != expected:
            problems.append(f"{name}: answered {raw[:200]!r}, expected {expected[:200]!r}")
        if trickle is not None and not 5 <= outcome["trickled"] < TRICKLE_MAX:
            problems.append(f"{name}: answered after {outcome['trickled']} trickled bytes")
    assert not problems, "\n".join(problems)
    # What trickled in before the time ran out is part of the request's entry.
    assert b"\r\nX-Slow: aaaaa" in server.log_file()
    assert_still_serving(server)
