"""The main form and the reading window as they are right after start: layout,
initial states, limits, keyboard navigation, the single-instance rule."""

import pytest

from zant_harness import (CANCELBUTTON, CONNLABEL, CONNSLIDER, EM_GETLIMITTEXT, FILELIST,
                          FOLDERBUTTON, FOUNDCOUNT, FOUNDLABEL, HOSTBUTTON, IPLABEL, IPLIST,
                          LB_SETCURSEL,
                          LOGEDIT, MAIN, PASSEDIT, PASSLABEL, READING, STATUSBAR, STOPBUTTON, TVPIC,
                          USEREDIT, USERLABEL, ZANT_EXE, Zant, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

BASE_FILES = {"readme.txt": "hello", "pics/": None, "pics/a.png": b"\x89PNG"}

WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_TABSTOP = 0x00010000
WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_EX_TOOLWINDOW = 0x00000080
WS_EX_CONTROLPARENT = 0x00010000

# Control, class, caption, x, y, width, height in the form's client area.
LAYOUT = [
    (TVPIC, "Static", "", 21, 21, 32, 32),
    (IPLABEL, "Static", "IP &Address for Server:", 77, 0, 137, 16),
    (IPLIST, "ListBox", "", 77, 16, 137, 58),
    (USERLABEL, "Static", "&User Name:", 241, 0, 255, 16),
    (USEREDIT, "Edit", "", 239, 16, 257, 21),
    (PASSLABEL, "Static", "&Password:", 241, 37, 255, 16),
    (PASSEDIT, "Edit", "", 239, 53, 257, 21),
    (HOSTBUTTON, "Button", "&Host", 520, 16, 78, 59),
    (STOPBUTTON, "Button", "&Stop", 605, 16, 78, 59),
    (CONNLABEL, "Static", "&Connections:", 2, 72, 74, 16),
    (CONNSLIDER, "msctls_trackbar32", "", 77, 76, 617, 33),
    (FOLDERBUTTON, "Button", "&Folder...", 1, 89, 75, 20),
    (FILELIST, "SysListView32", "", 0, 111, 694, 355),
    (LOGEDIT, "Edit", "", 0, 111, 694, 355),
]


def client_rect_of(ctl, spec):
    """(x, y, width, height) of a control in the main form's client area."""
    form = ctl.rect(MAIN)["client"]
    box = ctl.rect(spec)["window"]
    return (box["left"] - form["left"], box["top"] - form["top"], box["right"] - box["left"],
            box["bottom"] - box["top"])


@pytest.mark.parametrize("control, cls, caption, x, y, w, h", LAYOUT,
                         ids=[str(row[0]) for row in LAYOUT])
def test_control_has_its_class_caption_and_rectangle(zant, ctl, control, cls, caption, x, y, w, h):
    spec = zant.c(control)
    assert ctl.style(spec)["class"].lower() == cls.lower()
    assert ctl.text(spec) == caption
    assert client_rect_of(ctl, spec) == (x, y, w, h)


def test_form_is_700_by_521_centred_and_titled_zant(zant, ctl):
    box = ctl.rect(MAIN)["window"]
    width, height = box["right"] - box["left"], box["bottom"] - box["top"]
    assert (width, height) == (700, 521)
    screen = ctl.rect(ctl.style(MAIN)["parent"])["window"]  # the desktop window
    assert box["left"] == (screen["right"] - 700) // 2
    assert box["top"] == (screen["bottom"] - 521) // 2
    assert ctl.text(MAIN) == "ZANT"


def test_stop_is_disabled_and_host_enabled(zant, ctl):
    assert ctl.enabled(zant.c(HOSTBUTTON))
    assert not ctl.enabled(zant.c(STOPBUTTON))


def test_log_is_hidden_and_file_list_shown(zant, ctl):
    assert not ctl.visible(zant.c(LOGEDIT))
    assert ctl.visible(zant.c(FILELIST))


def test_focus_starts_in_the_address_list(fresh_zant, ctl):
    assert ctl.focus(MAIN)["id"] == IPLIST


def test_tab_stops_are_the_listed_ones(zant, ctl):
    stops = {c: bool(ctl.style(zant.c(c))["style"] & WS_TABSTOP)
             for c in (IPLIST, USEREDIT, PASSEDIT, HOSTBUTTON, STOPBUTTON, CONNSLIDER,
                       FOLDERBUTTON, FILELIST, LOGEDIT, IPLABEL, TVPIC)}
    assert stops == {IPLIST: True, USEREDIT: True, PASSEDIT: True, HOSTBUTTON: True,
                     STOPBUTTON: True, CONNSLIDER: True, FOLDERBUTTON: True, FILELIST: True,
                     LOGEDIT: True, IPLABEL: False, TVPIC: False}


def test_status_bar_parts_and_initial_texts(zant, ctl):
    bar = zant.c(STATUSBAR)
    assert ctl.sbparts(bar) == [50, 100, 150, 350, 520, -1]
    assert ctl.sbtext(bar, 2) == "\tOffline"
    assert ctl.sbtext(bar, 4) == "\t0000 of 0000 Connections"
    # The lock keys of the virtual display start switched off.
    assert ctl.sbtext(bar, 0) == "\t"
    assert ctl.sbtext(bar, 1) == "\t"


def test_slider_range_page_line_and_ticks(zant, ctl):
    info = ctl.tbinfo(zant.c(CONNSLIDER))
    assert (info["min"], info["max"], info["pos"]) == (0, 1000, 0)
    assert (info["page"], info["line"], info["ticks"]) == (100, 1, 11)


@pytest.mark.parametrize("control", [USEREDIT, PASSEDIT])
def test_credential_edits_are_limited_to_35_characters(zant, ctl, control):
    assert ctl.send(zant.c(control), EM_GETLIMITTEXT) == 35
    assert ctl.text(zant.c(control)) == ""


def test_a_36th_typed_character_is_refused(fresh_zant, ctl):
    fresh_zant.keys("Tab")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT, 5, what="the user name box to get the focus")
    fresh_zant.type_text("abcdefghijklmnopqrstuvwxyz0123456789")
    poll(lambda: len(ctl.text(fresh_zant.c(USEREDIT))) == 35, 5, what="35 characters")
    assert ctl.text(fresh_zant.c(USEREDIT)) == "abcdefghijklmnopqrstuvwxyz012345678"


def test_alt_u_focuses_the_user_name_box_and_typing_goes_there(fresh_zant, ctl):
    fresh_zant.keys("alt+u")
    poll(lambda: ctl.focus(MAIN)["id"] == USEREDIT, 5, what="the user name box to get the focus")
    # Releasing Alt after a binding must not leave the form in menu mode,
    # where the next keys would go to the system menu instead of the box.
    assert not ctl.focus(MAIN)["menu_mode"]
    fresh_zant.type_text("abc")
    poll(lambda: ctl.text(fresh_zant.c(USEREDIT)) == "abc", 5, what="the typed text")


def test_alt_c_focuses_the_slider_and_up_down_then_move_the_focus(fresh_zant, ctl):
    fresh_zant.keys("alt+c")
    poll(lambda: ctl.focus(MAIN)["id"] == CONNSLIDER, 5, what="the slider to get the focus")
    fresh_zant.keys("Down")
    poll(lambda: ctl.focus(MAIN)["id"] == FOLDERBUTTON, 5, what="the focus on the folder button")
    fresh_zant.keys("alt+c", "Up")
    # Stop is disabled, so the previous tab stop before the slider is Host.
    poll(lambda: ctl.focus(MAIN)["id"] == HOSTBUTTON, 5, what="the focus on the Host button")
    assert ctl.tbinfo(fresh_zant.c(CONNSLIDER))["pos"] == 0


def test_a_lone_alt_after_a_binding_that_opened_a_box_still_reaches_the_form(fresh_zant, ctl):
    run = fresh_zant
    # Host with no address chosen: the error box opens while Alt is down and
    # takes its key-up.
    ctl.send(run.c(IPLIST), LB_SETCURSEL, -1)
    run.keys("alt+h")
    box = ctl.wait_msgbox(pid=run.pid)
    assert box["text"] == "Invalid Selection."
    ctl.msgboxclose(1, pid=run.pid)
    poll(lambda: ctl.msgbox(run.pid) is None, 10, what="the box to close")
    # Alt alone then opens the system menu's keyboard mode, as in any window.
    run.keys("alt")
    poll(lambda: ctl.focus(MAIN)["menu_mode"], 10, what="the menu's keyboard mode")
    run.keyboard.keys("Escape", "Escape")


def test_left_and_right_still_move_the_slider_thumb(fresh_zant, ctl):
    fresh_zant.keys("alt+c", "Right", "Right")
    poll(lambda: ctl.tbinfo(fresh_zant.c(CONNSLIDER))["pos"] == 2, 5, what="the thumb at 2")
    fresh_zant.keys("Left")
    poll(lambda: ctl.tbinfo(fresh_zant.c(CONNSLIDER))["pos"] == 1, 5, what="the thumb at 1")
    assert ctl.focus(MAIN)["id"] == CONNSLIDER


def test_second_start_exits_zero_and_leaves_one_window(fresh_zant, ctl, desktop, tmp_path):
    second = Zant(desktop, ctl, tmp_path).launch()
    assert second.proc.wait(timeout=30) == 0
    mains = [w for w in ctl.windows() if w["class"] == MAIN]
    assert len(mains) == 1 and mains[0]["pid"] == fresh_zant.pid
    assert not [w for w in ctl.windows() if w["class"] == READING]
    assert fresh_zant.running


# The reading window of the first scan.


def test_reading_window_of_an_empty_folder_shows_zero_and_ok(start_zant, ctl):
    run = start_zant(files={}, finish=False)
    run.wait_scan_done()
    assert ctl.text(READING) == "Reading Folders..."
    assert ctl.text(f"{READING}/{FOUNDCOUNT}") == "0"
    assert ctl.text(f"{READING}/{FOUNDLABEL}") == "Files Found:"
    assert ctl.enabled(f"{READING}/{CANCELBUTTON}")
    assert ctl.focus(READING)["id"] == CANCELBUTTON
    # The main form is created but only shown once the scan is acknowledged.
    assert ctl.exists(MAIN) and not ctl.visible(MAIN)
    run.finish_scan()
    assert ctl.visible(MAIN) and ctl.enabled(MAIN)


def test_reading_window_counts_the_files_found(start_zant, ctl):
    files = {f"f{i}.txt": "x" for i in range(7)}
    files.update({"sub/": None, "sub/g.txt": "y"})
    run = start_zant(files=files, finish=False)
    run.wait_scan_done()
    assert ctl.text(f"{READING}/{FOUNDCOUNT}") == "8"
    run.finish_scan()


def test_reading_window_style_size_and_owner(start_zant, ctl):
    run = start_zant(files={}, finish=False)
    run.wait_scan_done()
    style = ctl.style(READING)
    assert style["style"] & (WS_POPUP | WS_CAPTION) == WS_POPUP | WS_CAPTION
    assert not style["style"] & WS_SYSMENU
    assert style["exstyle"] & (WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT) == (
        WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT)
    assert style["owner"] == ctl.handle(MAIN)
    box = ctl.rect(READING)["window"]
    assert (box["right"] - box["left"], box["bottom"] - box["top"]) == (257, 154)
    counter = ctl.style(f"{READING}/{FOUNDCOUNT}")
    assert counter["class"].lower() == "edit"
    run.finish_scan()


def test_cancel_during_a_long_scan_closes_the_reading_window(start_zant, ctl):
    files = {f"d{d}/f{i}.txt": None for d in range(40) for i in range(250)}
    run = start_zant(files=files, finish=False)
    button = f"{READING}/{CANCELBUTTON}"
    assert run.wait_reading() == "Cancel", "the scan ended before it could be cancelled"
    ctl.click(button)
    ctl.waitgone(READING, 30000)
    run.wait_main()
    found = ctl.lvcount(run.c(FILELIST))["count"]
    assert found < 10000 + 41
