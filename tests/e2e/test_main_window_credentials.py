"""The user name and password boxes as the server sees them: requests for a
protected (ticked) shared file while hosting, with the Authorization header
made by the test."""

import base64

import pytest

from zant_harness import (CONNSLIDER, FILELIST, HOSTBUTTON, MAIN, PASSEDIT, USEREDIT, ZANT_EXE,
                          http_raw, parse_response, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

BASE_FILES = {"secret.txt": "behind the password", "open.txt": "for everybody"}

USER35 = "abcdefghijklmnopqrstuvwxyz012345678"
PASS35 = "ZYXWVUTSRQPONMLKJIHGFEDCBA987654321"


def basic(text, encoding="latin-1"):
    return base64.b64encode(text.encode(encoding)).decode("ascii")


def get_secret(credential=None):
    """The status of a request for the protected file, with the header
    "Authorization: Basic <credential>" when one is given."""
    header = f"Authorization: Basic {credential}\r\n" if credential is not None else ""
    raw = http_raw(f"GET /secret.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n{header}\r\n")
    status, _headers, body = parse_response(raw)
    if status == 200:
        assert body == b"behind the password"
    return status


@pytest.fixture
def hosting(zant, ctl):
    """The module's run, hosting, with secret.txt shared and protected and
    open.txt shared; the credential boxes are emptied after each test."""
    rows = {row["texts"][0]: row for row in ctl.lvrows(zant.c(FILELIST))}
    secret, public = rows["\\secret.txt"], rows["\\open.txt"]
    if not (secret["selected"] and secret["checked"] and public["selected"]):
        ctl.lvset(zant.c(FILELIST), secret["index"], "selected")
        ctl.lvset(zant.c(FILELIST), secret["index"], "checked")
        ctl.lvset(zant.c(FILELIST), public["index"], "selected")
    if ctl.enabled(zant.c(HOSTBUTTON)):
        ctl.tbsetpos(zant.c(CONNSLIDER), 10)
        ctl.command(MAIN, HOSTBUTTON)
        poll(lambda: zant.title_of(MAIN) == "ZANT - 127.0.0.1", 10, what="hosting")
    yield zant
    ctl.settext(zant.c(USEREDIT), "")
    ctl.settext(zant.c(PASSEDIT), "")


def set_credentials(run, ctl, user, password):
    # Setting the text makes the box report a change, as typing does.
    ctl.settext(run.c(USEREDIT), user)
    ctl.settext(run.c(PASSEDIT), password)


CASES = [
    # user name, password, the header's credential (None: no header), status
    ("", "", None, 200),
    ("", "", basic(":"), 401),
    ("", "secret", basic(":secret"), 200),
    ("", "secret", None, 401),
    ("", "secret", basic("secret"), 401),
    ("", "secret", basic(":Secret"), 401),
    ("user", "", basic("user:"), 200),
    ("user", "", basic("user"), 401),
    ("user", "pass", basic("user:pass"), 200),
    ("user", "pass", basic("user:pass") + "  ", 200),  # spaces around the value are dropped
    ("user", "pass", basic("User:pass"), 401),
    (USER35, "pw", basic(USER35 + ":pw"), 200),
    (USER35, "pw", basic(USER35[:34] + ":pw"), 401),
    ("u", PASS35, basic("u:" + PASS35), 200),
    # Each box is read up to its limit of 35 characters, even when a program
    # has put more into it.
    (USER35 + "9xyz", "pw", basic(USER35 + ":pw"), 200),
    (USER35 + "9xyz", "pw", basic(USER35 + "9xyz:pw"), 401),
    # Letters outside ASCII: browsers send them as UTF-8, older clients in
    # the code page (Windows-1252 here, which Latin-1 matches for these).
    ("jürgen", "pässwort", basic("jürgen:pässwort", "utf-8"), 200),
    ("jürgen", "pässwort", basic("jürgen:pässwort"), 200),
    ("jürgen", "pässwort", basic("jurgen:passwort"), 401),
    ("Ægir", "", basic("ægir:", "utf-8"), 401),
]


@pytest.mark.parametrize("user, password, credential, status", CASES,
                         ids=[f"{len(u)}-{len(p)}-{'none' if c is None else c[:12]}-{s}"
                              for u, p, c, s in CASES])
def test_protected_file_needs_the_credential_of_the_boxes(hosting, ctl, user, password,
                                                          credential, status):
    set_credentials(hosting, ctl, user, password)
    assert get_secret(credential) == status


def test_unprotected_file_needs_no_credential(hosting, ctl):
    set_credentials(hosting, ctl, "user", "pass")
    raw = http_raw("GET /open.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
    assert parse_response(raw)[0] == 200


def test_a_change_while_hosting_applies_to_the_next_request(hosting, ctl):
    set_credentials(hosting, ctl, "", "first")
    assert get_secret(basic(":first")) == 200
    set_credentials(hosting, ctl, "", "second")
    assert get_secret(basic(":first")) == 401
    assert get_secret(basic(":second")) == 200
    set_credentials(hosting, ctl, "", "")
    assert get_secret(basic(":second")) == 401
    assert get_secret() == 200


def test_typed_credentials_count_and_a_36th_character_is_not_taken(hosting, ctl):
    typed = PASS35 + "Q"
    hosting.keys("alt+u")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT, 5, what="the user name box focused")
    hosting.type_text("me")
    hosting.keys("alt+p")
    poll(lambda: ctl.focus(MAIN)["id"] == PASSEDIT, 5, what="the password box focused")
    hosting.type_text(typed)
    poll(lambda: get_secret(basic("me:" + PASS35)) == 200, 10, what="the typed credential")
    assert get_secret(basic("me:" + typed)) == 401
    assert ctl.text(hosting.c(PASSEDIT)) == PASS35
