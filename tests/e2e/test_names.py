"""Names as the file system writes them, in every script, on a Western system
and on a Japanese one (code page 932): listed as written, linked and fetched
by a browser and by curl, and never taken for their look-alikes, which the
code page's best-fit spellings would make of them."""

import subprocess
import urllib.parse

import pytest

import webdriver
from answers import LISTING_HEAD, LISTING_TABLE
from zant_harness import fill_folder, http_raw, parse_response, poll

# The program's environment for each system; the default is the suite's own.
LOCALES = {"western": {}, "japanese": {"LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8"}}
CODEC = {"western": "cp1252", "japanese": "cp932"}
LIMIT = 20

# The base folder and a subfolder are named outside either code page.
BASE = "Zdjęcia-写真-βάση"
FILES = {
    "日本語.txt": "japanese",
    "Ελληνικά.txt": "greek",
    "Привет.txt": "cyrillic",
    "Łódź.txt": "polish",
    "emoji-😀.txt": "emoji",
    "Zdjęcia-写真/x.txt": "in a folder named outside the page",
    # Look-alikes: what a best-fit spelling of the names above would open.
    "Lódz.txt": "the plain look-alike of the Polish name",
    "café.txt": "with an accent",
    "cafe.txt": "without an accent",
    "．ssh＼id_rsa": "fullwidth full stop and reverse solidus",
    ".ssh/id_rsa": "PRIVATE KEY",
    "sub＼x": "fullwidth reverse solidus",
    "sub/x": "the real sub folder's x",
    "WebLog.txt：：$DATA": "fullwidth colons",
    "＜b＞.txt": "fullwidth angle brackets",
}
SERVED = {name: text for name, text in FILES.items() if not name.startswith(".ssh/")}


def row_path(name):
    return "\\" + name.replace("/", "\\")


def listing_text(name, codec):
    """A name as the listing writes it: in the page's bytes where the page
    holds a character exactly, else as a numeric character reference."""
    out = b""
    for ch in row_path(name):
        try:
            encoded = ch.encode(codec)
            if encoded.decode(codec) != ch:
                raise UnicodeError
            out += encoded
        except UnicodeError:
            out += f"&#x{ord(ch):X};".encode("ascii")
    return out


def link(name):
    """A row's link as the listing writes it: "#", "%", "&" and every byte
    outside ASCII of its UTF-8 escaped, every other character as it is."""
    return "/" + "".join(f"%{b:02X}" if b >= 128 or chr(b) in "#%&" else chr(b)
                         for b in name.encode("utf-8"))


def get(path_bytes):
    return parse_response(http_raw(b"GET " + path_bytes + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"))


@pytest.fixture(params=sorted(LOCALES), scope="module")
def hosting(request, runs, tmp_path_factory):
    base = tmp_path_factory.mktemp(request.param) / BASE
    base.mkdir()
    fill_folder(base, FILES)
    run = runs.start(base, env=LOCALES[request.param])
    run.share()
    run.host(LIMIT)
    yield request.param, run
    runs.stop(run)


def test_every_name_is_listed_as_written(hosting, ctl):
    locale, run = hosting
    assert ctl.msgbox(run.pid) is None  # every folder could be searched
    listed = {row["texts"][0] for row in run.rows()}
    expected = {row_path(name) for name in SERVED} | {"\\", "\\Zdjęcia-写真\\", "\\sub\\"}
    assert listed == expected


def test_curl_fetches_each_file_by_its_raw_utf8_url(hosting, tmp_path):
    for name, text in SERVED.items():
        out = tmp_path / "out.bin"
        done = subprocess.run(["curl", "--silent", "--show-error", "--max-time", "30",
                               "--path-as-is", "-o", str(out), "-w", "%{http_code}",
                               "http://127.0.0.1/" + name], capture_output=True, timeout=60)
        assert (done.returncode, done.stdout, out.read_bytes()) == (0, b"200", text.encode()), name


def test_look_alikes_open_only_themselves_and_nothing_hidden(hosting):
    locale, run = hosting
    for name, text in SERVED.items():
        assert get(link(name).encode("ascii"))[::2] == (200, text.encode()), name
    # The spellings a best-fit conversion makes of them reach nothing.
    for spelling in (b"/.ssh/id_rsa", b"/.ssh%5Cid_rsa", b"/WebLog.txt::$DATA", b"/WebLog.txt",
                     b"/Lodz.txt"):
        assert get(spelling)[0] == 404, spelling
    assert b"PRIVATE KEY" not in run.log_file()


def test_listing_writes_names_the_page_cannot_hold_as_references(hosting):
    locale, run = hosting
    status, _, page = get(b"/")
    assert status == 200 and page.startswith(LISTING_HEAD + LISTING_TABLE)
    for name in SERVED:
        if "/" in name:
            continue
        anchor = f'<A href="{link(name)}">'.encode("ascii") + listing_text(name, CODEC[locale])
        assert anchor + b"</A>" in page, name
    assert b"<b>" not in page


def test_the_log_lies_in_the_base_folder_and_keeps_what_was_sent(hosting):
    locale, run = hosting
    raw = "/日本語.txt".encode()
    assert get(raw)[0] == 200
    command = ("GET \\日本語.txt".encode("cp932") if locale == "japanese"
               else b"GET \\???.txt")
    log = run.log_file()
    assert b"Command- " + command + b"\r\nGET " + raw + b" HTTP/1.1\r\n" in log


@pytest.mark.skipif(not webdriver.available(), reason="chromium is not installed")
def test_a_browser_follows_every_link_to_its_file(hosting, tmp_path):
    browser = webdriver.Browser(tmp_path)
    try:
        for name, text in SERVED.items():
            folder = name.rpartition("/")[0]
            browser.get("http://127.0.0.1/" + (urllib.parse.quote(folder) + "/" if folder else ""))
            # The link as the browser resolves it from the page, and what it
            # gets there (a file of no known type would only be downloaded).
            got = browser.async_script(
                "const done = arguments[arguments.length - 1];"
                "const a = Array.from(document.querySelectorAll('a'))"
                ".filter(a => a.getAttribute('href') === arguments[0]);"
                "if (a.length !== 1) { done('links: ' + a.length); return; }"
                "fetch(a[0].href).then(r => r.text()).then(done, e => done(String(e)));",
                link(name))
            assert got == text, name
        # A text file's link, clicked, shows the file.
        browser.get("http://127.0.0.1/")
        browser.script("document.querySelector(`a[href='${arguments[0]}']`).click();",
                       link("日本語.txt"))
        poll(lambda: browser.url() != "http://127.0.0.1/", 20, what="the link to be followed")
        assert browser.script("return document.body.innerText;") == SERVED["日本語.txt"]
    finally:
        browser.quit()
