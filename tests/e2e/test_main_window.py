"""The main window's behaviour beyond its layout: the system menu, hiding to the
tray and coming back, the single-instance rule while hidden, the address list,
the help boxes, the status bar's clock and moving text, and its picture."""

import fcntl
import socket
import struct
import time
from datetime import datetime, timedelta, timezone
from itertools import takewhile

import pytest

from answers import HTTP_DATE_FORMAT
from zant_harness import (COLOR_BTNFACE, CONNLABEL, CONNSLIDER, FILELIST, FOLDERBUTTON,
                          HOSTBUTTON, HTCLOSE, IPLABEL, IPLIST, LOGEDIT, MAIN, PASSEDIT, PASSLABEL,
                          READING, STATUSBAR, STOPBUTTON, SYSHIDE, TRAY_CALLBACK, TVPIC, USEREDIT,
                          USERLABEL, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SYSCOMMAND, ZANT_EXE, Zant,
                          png_pixels, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

BASE_FILES = {"index.htm": "<p>hi</p>", "notes/": None, "notes/a.txt": "a"}

WS_MINIMIZE = 0x20000000
WS_MAXIMIZE = 0x01000000
SC_SIZE = 0xF000
SC_MINIMIZE = 0xF020
SC_MAXIMIZE = 0xF030
WM_KEYF1 = 0x004D
WM_MOUSEMOVE = 0x0200
WM_LBUTTONDBLCLK = 0x0203
WM_MBUTTONUP = 0x0208
WM_NCRBUTTONUP = 0x00A5
HTCAPTION = 2


def screen_point(x, y):
    return ((y & 0xFFFF) << 16) | (x & 0xFFFF)


def form_box(ctl):
    box = ctl.rect(MAIN)["window"]
    return box["left"], box["top"], box["right"] - box["left"], box["bottom"] - box["top"]


def hide(run, ctl):
    ctl.send(MAIN, WM_SYSCOMMAND, SYSHIDE, 0)
    poll(lambda: not ctl.visible(MAIN), 10, what="the form to be hidden")


def other_window_to_front(ctl):
    """Makes Wine's tray window the active one, so that the form is behind it."""
    tray = next(w for w in ctl.windows() if w["class"] == "__winex11_standalone_tray")
    ctl.activate(tray["hwnd"])
    poll(lambda: ctl.foreground()["hwnd"] == tray["hwnd"], 10, what="the tray window in front")


def in_front(ctl):
    return ctl.foreground()["hwnd"] == ctl.handle(MAIN)


# ---------------------------------------------------------------------------
# The system menu. Wine keeps a menu's items in the process that made it:
# neither GetSystemMenu of the form nor the open menu's handle can be read from
# another process. What the menu offers is read from its picture (which rows
# are items, which are grey, where the separators are) and from its keys.


def test_system_menu_shows_hide_and_move_then_close(fresh_zant, ctl):
    menu = fresh_zant.open_system_menu()
    entries = fresh_zant.menu_entries(menu, "main-window-system-menu")
    fresh_zant.keyboard.keys("Escape", "Escape")
    # Restore, Size, Minimise and Maximise would show as grey items of a
    # fixed-size form; Wine may add its own items after Close.
    assert entries[:4] == ["text", "text", "separator", "text"]
    assert "grey" not in entries


def test_first_item_of_the_system_menu_hides_the_form(fresh_zant, ctl):
    fresh_zant.open_system_menu()
    fresh_zant.keyboard.keys("Down", "Return")
    poll(lambda: not ctl.visible(MAIN), 10, what="the form to be hidden")
    assert fresh_zant.running and ctl.exists(MAIN)


def test_h_in_the_system_menu_hides_the_form(fresh_zant, ctl):
    fresh_zant.open_system_menu()
    fresh_zant.keyboard.keys("h")
    poll(lambda: not ctl.visible(MAIN), 10, what="the form to be hidden")
    assert fresh_zant.running


@pytest.mark.parametrize("key", ["s", "n", "x", "r"], ids=["size", "minimise", "maximise",
                                                           "restore"])
def test_system_menu_has_no_item_for_the_key(fresh_zant, ctl, key):
    # A key with no item leaves the menu open, so that the "m" after it still
    # reaches the menu and starts moving the form; an item for the key, even a
    # grey one, would close the menu (or start sizing) first.
    left, top, width, height = form_box(ctl)
    fresh_zant.open_system_menu()
    fresh_zant.keyboard.keys(key, "m", "Right", "Return")
    poll(lambda: form_box(ctl)[0] > left, 10, what="the form moved by the keyboard")
    assert form_box(ctl)[1:] == (top, width, height)
    assert ctl.visible(MAIN)
    assert not ctl.style(MAIN)["style"] & (WS_MINIMIZE | WS_MAXIMIZE)


@pytest.mark.parametrize("command", [SC_MAXIMIZE, SC_MINIMIZE],
                         ids=["maximise", "minimise"])
def test_window_state_commands_leave_the_fixed_size_form_alone(fresh_zant, ctl, command):
    before = form_box(ctl)
    ctl.send(MAIN, WM_SYSCOMMAND, command, 0)
    fresh_zant.sync()
    assert form_box(ctl) == before
    assert not ctl.style(MAIN)["style"] & (WS_MINIMIZE | WS_MAXIMIZE)
    assert ctl.visible(MAIN)


def test_size_command_does_not_resize_the_form(fresh_zant, ctl):
    before = form_box(ctl)
    fresh_zant.activate()
    # A size loop would take the arrow keys and Enter; without one they go to
    # the address list (where Enter hosts, harmless here), and the Alt+U after
    # them shows that they have been handled.
    ctl.post(MAIN, WM_SYSCOMMAND, SC_SIZE, 0)
    fresh_zant.sync()
    fresh_zant.keyboard.keys("Right", "Right", "Right", "Return", "alt+u")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT and not ctl.focus(MAIN)["move_size"], 10,
         what="the keys to be handled")
    assert form_box(ctl) == before


# ---------------------------------------------------------------------------
# Hiding to the tray and coming back


def hide_by_syscommand(run, ctl):
    assert ctl.send(MAIN, WM_SYSCOMMAND, SYSHIDE, 0) == 1


def hide_by_syscommand_with_low_bits(run, ctl):
    # The system passes position information in the low four bits.
    assert ctl.send(MAIN, WM_SYSCOMMAND, SYSHIDE | 0x3, 0) == 1


def hide_by_ncrbuttonup_on_close_box(run, ctl):
    x, y = run.caption_point(HTCLOSE)
    assert ctl.send(MAIN, WM_NCRBUTTONUP, HTCLOSE, screen_point(x, y)) == 1


def hide_by_right_click_on_close_box(run, ctl):
    run.activate()
    run.keyboard.click_at(*run.caption_point(HTCLOSE), button=3)


HIDE_WAYS = [hide_by_syscommand, hide_by_syscommand_with_low_bits,
             hide_by_ncrbuttonup_on_close_box, hide_by_right_click_on_close_box]


@pytest.mark.parametrize("way", HIDE_WAYS, ids=[w.__name__ for w in HIDE_WAYS])
def test_form_hides_and_stays_in_the_tray(fresh_zant, ctl, way):
    icons = ctl.tray_icons()
    way(fresh_zant, ctl)
    poll(lambda: not ctl.visible(MAIN), 10, what="the form to be hidden")
    assert fresh_zant.running and ctl.exists(MAIN)
    assert ctl.tray_icons() == icons and len(icons) == 1


def test_right_button_released_elsewhere_on_the_caption_does_not_hide(fresh_zant, ctl):
    x, y = fresh_zant.caption_point(HTCAPTION)
    ctl.send(MAIN, WM_NCRBUTTONUP, HTCAPTION, screen_point(x, y))
    fresh_zant.sync()
    assert ctl.visible(MAIN)


def show_by_callback(run, ctl):
    ctl.post(MAIN, TRAY_CALLBACK, 0, WM_LBUTTONUP)


def show_by_tray_icon(run, ctl):
    run.tray_click(WM_LBUTTONUP)


SHOW_WAYS = [show_by_callback, show_by_tray_icon]


@pytest.mark.parametrize("way", SHOW_WAYS, ids=[w.__name__ for w in SHOW_WAYS])
def test_left_click_on_the_tray_icon_shows_the_hidden_form_in_front(fresh_zant, ctl, way):
    hide(fresh_zant, ctl)
    other_window_to_front(ctl)
    way(fresh_zant, ctl)
    poll(lambda: ctl.visible(MAIN) and in_front(ctl), 10, what="the form shown in front")


@pytest.mark.parametrize("way", SHOW_WAYS, ids=[w.__name__ for w in SHOW_WAYS])
def test_left_click_on_the_tray_icon_brings_the_visible_form_to_the_front(fresh_zant, ctl, way):
    other_window_to_front(ctl)
    assert not in_front(ctl)
    way(fresh_zant, ctl)
    poll(lambda: in_front(ctl), 10, what="the form in front")
    assert ctl.visible(MAIN)


@pytest.mark.parametrize("event", [WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MBUTTONUP],
                         ids=["move", "left-down", "left-double", "middle-up"])
def test_other_mouse_events_on_the_tray_icon_leave_the_form_hidden(fresh_zant, ctl, event):
    hide(fresh_zant, ctl)
    assert ctl.send(MAIN, TRAY_CALLBACK, 0, event) == 1
    assert not ctl.visible(MAIN)
    assert ctl.menu() is None


def test_second_start_while_hidden_shows_the_form_in_front(fresh_zant, ctl, desktop, tmp_path):
    hide(fresh_zant, ctl)
    other_window_to_front(ctl)
    icons = ctl.tray_icons()
    second = Zant(desktop, ctl, tmp_path).launch()
    assert second.proc.wait(timeout=30) == 0
    poll(lambda: ctl.visible(MAIN) and in_front(ctl), 10, what="the form shown in front")
    mains = [w for w in ctl.windows() if w["class"] == MAIN]
    assert len(mains) == 1 and mains[0]["pid"] == fresh_zant.pid
    assert not ctl.exists(READING)
    assert ctl.tray_icons() == icons and len(icons) == 1
    assert fresh_zant.running


SW_MINIMIZE = 6
SW_MAXIMIZE = 3
SC_RESTORE = 0xF120


def restore_command(run, ctl, desktop, tmp_path):
    # What the taskbar sends when its button is clicked.
    ctl.post(MAIN, WM_SYSCOMMAND, SC_RESTORE, 0)


def tray_click(run, ctl, desktop, tmp_path):
    run.tray_click(WM_LBUTTONUP)


def second_start(run, ctl, desktop, tmp_path):
    assert Zant(desktop, ctl, tmp_path).launch().proc.wait(timeout=30) == 0


WAYS_BACK = [restore_command, tray_click, second_start]


@pytest.mark.parametrize("show", [SW_MINIMIZE, SW_MAXIMIZE], ids=["minimised", "maximised"])
@pytest.mark.parametrize("way", WAYS_BACK, ids=[w.__name__ for w in WAYS_BACK])
def test_a_form_minimised_or_maximised_from_outside_comes_back_whole(fresh_zant, ctl, desktop,
                                                                       tmp_path, show, way):
    before = form_box(ctl)
    state = WS_MINIMIZE if show == SW_MINIMIZE else WS_MAXIMIZE
    ctl.show(MAIN, show)
    poll(lambda: ctl.style(MAIN)["style"] & state, 10, what="the form's new state")
    way(fresh_zant, ctl, desktop, tmp_path)
    poll(lambda: not ctl.style(MAIN)["style"] & (WS_MINIMIZE | WS_MAXIMIZE), 10,
         what="the form restored")
    # Wine takes the state away before it moves the window back: the box is
    # waited for, not read at once.
    poll(lambda: form_box(ctl) == before, 10, what="the form back in its place")
    poll(lambda: in_front(ctl), 10, what="the form in front")
    assert form_box(ctl) == before and ctl.visible(MAIN)
    assert len(ctl.tray_icons()) == 1


def test_second_start_brings_the_visible_form_to_the_front(fresh_zant, ctl, desktop, tmp_path):
    other_window_to_front(ctl)
    second = Zant(desktop, ctl, tmp_path).launch()
    assert second.proc.wait(timeout=30) == 0
    poll(lambda: in_front(ctl), 10, what="the form in front")
    assert len(ctl.tray_icons()) == 1


# ---------------------------------------------------------------------------
# The address list


def interface_addresses():
    """The IPv4 addresses of this network namespace's interfaces, as Linux has them."""
    found = set()
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        for _index, name in socket.if_nameindex():
            request = struct.pack("256s", name.encode()[:15])
            try:
                answer = fcntl.ioctl(sock.fileno(), 0x8915, request)  # SIOCGIFADDR
            except OSError:
                continue
            found.add(socket.inet_ntoa(answer[20:24]))
    return found


def resolver_addresses():
    """What the system's resolver gives for this machine's name."""
    try:
        return set(socket.gethostbyname_ex(socket.gethostname())[2])
    except OSError:
        return set()


def test_address_list_is_loopback_then_this_machines_addresses(zant, ctl):
    items = ctl.lbitems(zant.c(IPLIST))
    # The same look-up, made by another program on the same system; the list
    # ends before the loopback address, which is already its first entry.
    looked_up = ctl.hostaddrs()
    assert items == ["127.0.0.1"] + list(takewhile(lambda a: a != "127.0.0.1", looked_up))
    assert ctl.lbsel(zant.c(IPLIST)) == {"index": 0, "count": len(items)}
    # Every other entry is an address that Linux knows for this machine.
    assert set(items[1:]) <= interface_addresses() | resolver_addresses()
    assert len(set(items)) == len(items)


# ---------------------------------------------------------------------------
# Help

FORM_HELP = ("1. Select IP Address to Mount Server On.\r\n"
             "2. Select Files to Share and # of Connections Allowed.\r\n"
             "3. Username and Password are Optional, then Click Host.")

CONTROL_HELP = [
    (USEREDIT, "Username that the user's browser will prompt for.\r\n(35 Character Max)"),
    (PASSEDIT, "Password that the user's browser will prompt for.\r\n(35 Character Max)"),
    (HOSTBUTTON, "Click to Begin Hosting on the selected IP Address."),
    (STOPBUTTON, "Click to Stop Hosting on the selected IP Address."),
    (CONNSLIDER, "Select the maximum allowed connections at a time here."),
    (IPLIST, "The Server will listen on Port 80 on this selected IP Address."),
    (FOLDERBUTTON, "Select the Base Folder to Share from."),
    (FILELIST, "Select the Files/Folders you wish to share.\r\nCheck the ones you want to have "
               "username/password.  And if you Press F5 on the list it will refresh it."),
    (LOGEDIT, "Log Window for the last 65535 characters of Requests.\r\n"
              "Press F5 while the cursor is in the Log Window to clear it."),
    (TVPIC, "Click to Toggle Log/File Views."),
    (IPLABEL, FORM_HELP),
    (USERLABEL, FORM_HELP),
    (PASSLABEL, FORM_HELP),
    (CONNLABEL, FORM_HELP),
    (STATUSBAR, FORM_HELP),
]


def expect_help_box(run, ctl, text):
    """The help box is up with this text; checks it and closes it."""
    box = ctl.wait_msgbox(10, run.pid)
    try:
        assert box["title"] == "Help"
        assert box["text"] == text
        assert [b["text"] for b in box["buttons"]] == ["OK"]
        assert box["owner"] == "0x0"
        # The box may not have painted its icon yet when it is first seen.
        assert poll(lambda: (lambda b: b and b["icon"] != "unknown" and b["icon"])(
            ctl.msgbox(run.pid)), 10, what="the box's icon") == "information"
        # Task-modal: the program's windows are disabled while it is up.
        assert not ctl.enabled(MAIN)
    finally:
        ctl.msgboxclose(1, run.pid)
    poll(lambda: ctl.enabled(MAIN), 10, what="the form enabled again")


@pytest.mark.parametrize("control, text", CONTROL_HELP, ids=[str(c) for c, _ in CONTROL_HELP])
def test_help_request_for_a_control_shows_its_text(zant, ctl, control, text):
    opened = ctl.help(MAIN, zant.c(control))
    assert not opened["done"] and opened["opened"]["class"] == "#32770"
    expect_help_box(zant, ctl, text)


def test_help_request_for_the_form_shows_the_three_steps(zant, ctl):
    ctl.help(MAIN, MAIN)
    expect_help_box(zant, ctl, FORM_HELP)


@pytest.mark.parametrize("control, text", [(PASSEDIT, CONTROL_HELP[1][1]), (IPLABEL, FORM_HELP),
                                           (STATUSBAR, FORM_HELP), (None, FORM_HELP)],
                         ids=["password", "label", "status-bar", "form"])
def test_f1_message_asks_for_help_about_its_window(zant, ctl, control, text):
    # WM_KEYF1 is what the system makes of F1; the default handling turns it
    # into a help request naming the window it arrived at.
    ctl.post(zant.c(control) if control else MAIN, WM_KEYF1, 0, 0)
    expect_help_box(zant, ctl, text)


def test_f1_key_in_the_password_box_shows_its_help(zant, ctl):
    zant.keys("alt+p")
    poll(lambda: ctl.focus(MAIN)["id"] == PASSEDIT, 5, what="the password box to get the focus")
    zant.keys("F1")
    expect_help_box(zant, ctl, "Password that the user's browser will prompt for.\r\n"
                               "(35 Character Max)")


# ---------------------------------------------------------------------------
# The status bar's clock and moving text


def clock(ctl, run):
    """The time that the clock shows, or None before its first tick."""
    text = ctl.sbtext(run.c(STATUSBAR), 3)
    if text == "\t":
        return None
    assert text.startswith("\t") and len(text) == 30, repr(text)
    shown = datetime.strptime(text[1:], HTTP_DATE_FORMAT).replace(tzinfo=timezone.utc)
    assert text[1:] == shown.strftime(HTTP_DATE_FORMAT)  # zero-padded, English names
    return shown


def clock_is_now(ctl, run):
    """The clock, when it reads the current GMT time (it may lag by a tick or
    two, and the read may wait for a busy window thread)."""
    before = datetime.now(timezone.utc)
    shown = clock(ctl, run)
    after = datetime.now(timezone.utc)
    if shown is None:
        return None
    in_time = before - timedelta(seconds=10) <= shown <= after + timedelta(seconds=2)
    return shown if in_time else None


@pytest.mark.parametrize("zone", [None, "Asia/Kolkata", "America/New_York"])
def test_clock_shows_the_current_time_in_gmt(start_zant, ctl, zone):
    run = start_zant(env={"TZ": zone} if zone else None)
    poll(lambda: clock_is_now(ctl, run), 15, what="the clock showing the current GMT time")


def test_clock_moves_on(zant, ctl):
    first = poll(lambda: clock_is_now(ctl, zant), 15, what="the clock")
    later = poll(lambda: (lambda t: t if t and t > first else None)(clock(ctl, zant)), 15,
                 what="the clock to move on")
    assert later - first < timedelta(seconds=15)


def local_seconds():
    now = time.localtime()
    return now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec


def test_moving_text_is_shifted_by_the_seconds_mod_20(zant, ctl):
    texts, offsets = set(), set()

    def sample():
        before = local_seconds()
        text = ctl.sbtext(zant.c(STATUSBAR), 5)
        after = local_seconds()
        if text == "\t":  # before the first tick
            return False
        offset = len(text) - 18
        assert text[:offset] == " " * offset, repr(text)
        # The tick before the read may still show the previous second.
        assert offset in {s % 20 for s in range(before - 1, after + 1)}, (repr(text), before)
        texts.add(text[offset:])
        offsets.add(offset)
        return len(offsets) >= 3

    poll(sample, 20, interval=0.3, what="three positions of the moving text")
    assert len(texts) == 1, texts
    assert len(next(iter(texts)).strip()) > 0


# ---------------------------------------------------------------------------
# The picture


def test_picture_of_the_form_has_its_size_and_colours(zant, ctl):
    poll(lambda: clock_is_now(ctl, zant), 15, what="the clock")
    png = ctl.screenshot_png(MAIN, "main-window")
    box = ctl.rect(MAIN)
    outer, client = box["window"], box["client"]
    width, height, rows = png_pixels(png.read_bytes())
    assert (width, height) == (outer["right"] - outer["left"], outer["bottom"] - outer["top"])

    def at(x, y):  # a pixel by its position in the form's client area
        return rows[client["top"] - outer["top"] + y][client["left"] - outer["left"] + x]

    # The form's background between the address list and the user name box,
    # and the file list's white below its only row.
    assert at(226, 40) == ctl.syscolor(COLOR_BTNFACE)
    assert at(300, 400) == (255, 255, 255)
    assert len(set(rows[height // 2])) > 1
