"""Hosting and stopping from the main window: the tray menu's items and their
states, the Host and Stop commands and when they are ignored, Enter and Escape
in the form's controls, serving while the form is hidden, and the status clock
against the server's Date header."""

from datetime import datetime, timedelta

import pytest

from answers import HTTP_DATE_FORMAT
from zant_harness import (CONNSLIDER, FILELIST, FOLDERBUTTON, HOSTBUTTON, IPLIST, LB_SETCURSEL,
                          MAIN, PASSEDIT, STATUSBAR, STOPBUTTON, SYSHIDE, TRAY_CALLBACK, TRAYEXIT,
                          TRAY_MENU_AT, TRAYHOST, TRAYSTOP, USEREDIT, WM_COMMAND, WM_LBUTTONUP,
                          WM_SYSCOMMAND, ZANT_EXE, http_raw, parse_response, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

BASE_FILES = {"page.txt": "served while hidden"}

OFFLINE = ("ZANT", True, False)
HOSTING = ("ZANT - 127.0.0.1", False, True)
BN_CLICKED = 0
BN_SETFOCUS = 6
BN_KILLFOCUS = 7
ACCELERATOR = 1


def state(run, ctl):
    """(title, Host enabled, Stop enabled)."""
    return (run.title_of(MAIN), ctl.enabled(run.c(HOSTBUTTON)), ctl.enabled(run.c(STOPBUTTON)))


def wait_state(run, ctl, wanted):
    poll(lambda: state(run, ctl) == wanted, 10, what=f"the state {wanted}")


def host(run, ctl):
    """Hosts on the loopback entry with a connection limit of 10."""
    if state(run, ctl) == HOSTING:
        return
    ctl.tbsetpos(run.c(CONNSLIDER), 10)
    ctl.send(run.c(IPLIST), LB_SETCURSEL, 0)
    assert ctl.command(MAIN, HOSTBUTTON)["done"]
    wait_state(run, ctl, HOSTING)


def stop(run, ctl):
    if state(run, ctl) == OFFLINE:
        return
    assert ctl.command(MAIN, STOPBUTTON)["done"]
    wait_state(run, ctl, OFFLINE)


def share_all(run, ctl):
    ctl.lvset(run.c(FILELIST), -1, "selected")


# ---------------------------------------------------------------------------
# The tray menu


def test_tray_menu_items_follow_the_hosting_state(fresh_zant, ctl):
    run = fresh_zant
    menu = run.open_tray_menu()
    entries = run.menu_entries(menu, "main-window-tray-menu-offline")
    run.keyboard.keys("Escape")
    poll(lambda: ctl.menu() is None, 10, what="the menu to close")
    # Opened at the pointer, its right edge there.
    assert (menu["rect"]["right"], menu["rect"]["top"]) == TRAY_MENU_AT
    assert entries == ["text", "grey", "separator", "text"]  # Host, Stop, -, Exit

    host(run, ctl)
    menu = run.open_tray_menu()
    entries = run.menu_entries(menu, "main-window-tray-menu-hosting")
    run.keyboard.keys("Escape")
    poll(lambda: ctl.menu() is None, 10, what="the menu to close")
    assert entries == ["grey", "text", "separator", "text"]

    stop(run, ctl)
    menu = run.open_tray_menu()
    entries = run.menu_entries(menu, "main-window-tray-menu-stopped")
    run.keyboard.keys("Escape")
    poll(lambda: ctl.menu() is None, 10, what="the menu to close")
    assert entries == ["text", "grey", "separator", "text"]


def test_tray_menu_keys_host_and_stop(fresh_zant, ctl):
    run = fresh_zant
    ctl.tbsetpos(run.c(CONNSLIDER), 10)
    run.open_tray_menu()
    run.keyboard.keys("h")
    wait_state(run, ctl, HOSTING)
    run.open_tray_menu()
    run.keyboard.keys("s")
    wait_state(run, ctl, OFFLINE)
    assert ctl.menu() is None


def test_tray_menu_takes_the_focus_from_the_form_while_open(fresh_zant, ctl):
    run = fresh_zant
    run.open_tray_menu()
    try:
        # The menu window appears a moment before the menu loop has taken over.
        poll(lambda: ctl.focus(MAIN)["menu_mode"], 10, what="menu mode")
        focus = ctl.focus(MAIN)
        assert focus["hwnd"] == "0x0" and focus["menu_mode"]
    finally:
        run.keyboard.keys("Escape")
        poll(lambda: ctl.menu() is None, 10, what="the menu to close")


# ---------------------------------------------------------------------------
# The Host and Stop commands, as the tray menu posts them and as the buttons
# send them


@pytest.mark.parametrize("host_id, stop_id", [(TRAYHOST, TRAYSTOP), (HOSTBUTTON, STOPBUTTON)],
                         ids=["tray-menu", "buttons"])
def test_host_and_stop_commands_switch_the_state_and_the_focus(zant, ctl, host_id, stop_id):
    stop(zant, ctl)
    ctl.tbsetpos(zant.c(CONNSLIDER), 10)
    ctl.post(MAIN, WM_COMMAND, host_id, 0)
    wait_state(zant, ctl, HOSTING)
    poll(lambda: ctl.focus(MAIN)["id"] == STOPBUTTON, 10, what="the focus on Stop")
    ctl.post(MAIN, WM_COMMAND, stop_id, 0)
    wait_state(zant, ctl, OFFLINE)
    poll(lambda: ctl.focus(MAIN)["id"] == HOSTBUTTON, 10, what="the focus on Host")


IGNORED = [
    # While offline: Stop (its button is disabled), and Host with a code.
    (False, TRAYSTOP, BN_CLICKED),
    (False, STOPBUTTON, BN_CLICKED),
    (False, TRAYHOST, ACCELERATOR),
    (False, HOSTBUTTON, BN_SETFOCUS),
    (False, HOSTBUTTON, BN_KILLFOCUS),
    # While hosting: Host (its button is disabled; a second listener on port
    # 80 would fail with a message box), and Stop with a code.
    (True, TRAYHOST, BN_CLICKED),
    (True, HOSTBUTTON, BN_CLICKED),
    (True, TRAYSTOP, ACCELERATOR),
    (True, STOPBUTTON, BN_SETFOCUS),
    (True, STOPBUTTON, BN_KILLFOCUS),
]


@pytest.mark.parametrize("hosting, command, code", IGNORED,
                         ids=[f"{'hosting' if h else 'offline'}-{c}-code{n}"
                              for h, c, n in IGNORED])
def test_commands_are_ignored_while_disabled_or_with_a_code(zant, ctl, hosting, command, code):
    (host if hosting else stop)(zant, ctl)
    before = state(zant, ctl)
    answer = ctl.command(MAIN, command, code)
    assert answer["done"] and "opened" not in answer
    assert answer["result"] == 0
    assert state(zant, ctl) == before
    assert ctl.msgbox(zant.pid) is None


def test_exit_command_with_a_code_is_ignored(zant, ctl):
    answer = ctl.command(MAIN, TRAYEXIT, ACCELERATOR)
    assert answer["done"] and answer["result"] == 0
    zant.sync()
    assert zant.running and ctl.visible(MAIN)


# ---------------------------------------------------------------------------
# Enter and Escape

# A control and the keys that give it the focus (Down moves on from a button
# or the slider).
FOCUS_KEYS = [(IPLIST, ["alt+a"]), (USEREDIT, ["alt+u"]), (PASSEDIT, ["alt+p"]),
              (CONNSLIDER, ["alt+c"]), (FOLDERBUTTON, ["alt+c", "Down"]),
              (FILELIST, ["alt+c", "Down", "Down"])]


@pytest.mark.parametrize("control, keys", FOCUS_KEYS, ids=[str(c) for c, _ in FOCUS_KEYS])
def test_enter_in_a_control_hosts_once(fresh_zant, ctl, control, keys):
    run = fresh_zant
    ctl.tbsetpos(run.c(CONNSLIDER), 10)
    run.keys(*keys)
    poll(lambda: ctl.focus(MAIN)["id"] == control, 10, what="the control to get the focus")
    run.keys("Return")
    wait_state(run, ctl, HOSTING)
    poll(lambda: ctl.focus(MAIN)["id"] == STOPBUTTON, 10, what="the focus on Stop")
    # Enter again: the command reaches the form and is ignored. The Alt+U
    # after it shows that it has been handled.
    run.keys("Return", "alt+u")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT, 10, what="the keys to be handled")
    assert ctl.msgbox(run.pid) is None
    assert state(run, ctl) == HOSTING


def test_escape_stops_hosting(fresh_zant, ctl):
    run = fresh_zant
    host(run, ctl)
    run.keys("alt+u")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT, 10, what="the user name box focused")
    run.keys("Escape")
    wait_state(run, ctl, OFFLINE)
    poll(lambda: ctl.focus(MAIN)["id"] == HOSTBUTTON, 10, what="the focus on Host")


def test_escape_while_offline_does_nothing(fresh_zant, ctl):
    run = fresh_zant
    run.keys("alt+p")
    poll(lambda: ctl.focus(MAIN)["id"] == PASSEDIT, 10, what="the password box focused")
    run.keys("Escape", "alt+u")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT, 10, what="the keys to be handled")
    assert state(run, ctl) == OFFLINE
    assert ctl.msgbox(run.pid) is None
    assert run.running and ctl.visible(MAIN)


# ---------------------------------------------------------------------------
# Serving goes on while hidden; the clock is the server's clock


def get(path):
    return parse_response(http_raw(f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"))


def test_hosting_goes_on_while_the_form_is_hidden(zant, ctl):
    share_all(zant, ctl)
    host(zant, ctl)
    ctl.send(MAIN, WM_SYSCOMMAND, SYSHIDE, 0)
    poll(lambda: not ctl.visible(MAIN), 10, what="the form hidden")
    try:
        status, _headers, body = get("/page.txt")
        assert (status, body) == (200, b"served while hidden")
        assert state(zant, ctl) == HOSTING
    finally:
        ctl.post(MAIN, TRAY_CALLBACK, 0, WM_LBUTTONUP)
        poll(lambda: ctl.visible(MAIN), 10, what="the form shown again")


def test_clock_shows_the_time_of_the_servers_date_header(zant, ctl):
    share_all(zant, ctl)
    host(zant, ctl)

    def shown():
        text = ctl.sbtext(zant.c(STATUSBAR), 3)
        return datetime.strptime(text[1:], HTTP_DATE_FORMAT) if len(text) == 30 else None

    before = poll(shown, 10, what="the clock")
    _status, headers, _body = get("/page.txt")
    after = poll(lambda: (lambda t: t if t and t >= before else None)(shown()), 10,
                 what="the clock after the request")
    date = datetime.strptime(dict(headers)["Date"], HTTP_DATE_FORMAT)
    # The clock ticks twice a second, so it may show the second before.
    assert before - timedelta(seconds=1) <= date <= after + timedelta(seconds=1)
