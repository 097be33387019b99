"""The share list: the rows a scan makes of the base folder (paths, sizes,
dates, groups, what is left out, their order), new scans, Ctrl+A, cancelling a
deep scan, folders that cannot be searched, double-clicks, and the marks in the
list as requests see them."""

import base64
import calendar
import os
from pathlib import Path

import pytest

from answers import DENIED_TEXT, http_date, listing_link
from zant_harness import (CANCELBUTTON, FILELIST, FOUNDCOUNT, MAIN, PASSEDIT, READING, USEREDIT,
                          ZANT_EXE, CtlError, fill_folder, http_raw, parse_response, poll)

pytestmark = pytest.mark.skipif(not ZANT_EXE.exists(), reason="build/win/zant.exe is not built")

GIB = 1 << 30

# What the scan must list, besides the root and the generated files below.
BASE_FILES = {
    "Readme.TXT": "read me",
    "a b.txt": "spaced",
    "docs.txt": "a file named like the folder beside it",
    "docs/": None,
    "docs/guide.txt": "guide",
    "docs/img/": None,
    "docs/img/logo.png": b"\x89PNG",
    "docs/img/deep/": None,
    "docs/img/deep/x.txt": "x",
    "docs/zeta/": None,
    "docs/zeta/z.txt": "z",
    "music/": None,
    "music/song.mp3": b"ID3",
    "plain.txt": "plain",
    "readonly.txt": "read only",
    "archived.txt": "archive bit set",
    # Left out: Wine shows names that begin with a dot as hidden, and takes
    # the DOS attributes of other files from the user.DOSATTRIB attribute.
    ".dot.txt": "hidden by its name",
    ".dotdir/": None,
    ".dotdir/inside.txt": "inside a hidden folder",
    "hidden.txt": "hidden",
    "system.txt": "system",
    "hiddendir/": None,
    "hiddendir/inside.txt": "inside",
    "systemdir/": None,
    "systemdir/inside.txt": "inside",
}

DOS_ATTRIBUTES = {  # hidden 0x2, system 0x4, folder 0x10, archive 0x20
    "hidden.txt": b"0x2",
    "system.txt": b"0x4",
    "hiddendir": b"0x12",
    "systemdir": b"0x14",
    "archived.txt": b"0x20",
}

LEFT_OUT = [
    "\\.dot.txt", "\\.dotdir\\", "\\.dotdir\\inside.txt", "\\hidden.txt", "\\system.txt",
    "\\hiddendir\\", "\\hiddendir\\inside.txt", "\\systemdir\\", "\\systemdir\\inside.txt",
]

# Files of these sizes (sparse where large) in \sizes\; 1 GiB and more is left out.
SIZES = [0, 100, 256, 768, 1023, 1024, 1536, 2304, 2816, 10188, 1048575, 1048576, 1101005,
         5347738, GIB - 1, GIB, (4 << 30) + 100]

# Modified times given to the sized files, as seconds since 1970 (UTC).
MTIMES = [
    calendar.timegm((2001, 2, 3, 4, 5, 6)),
    calendar.timegm((1999, 12, 31, 23, 59, 59)),
    calendar.timegm((2024, 2, 29, 12, 0, 0)),
    calendar.timegm((2026, 7, 1, 0, 30, 0)),  # summer: no daylight shift in a UTC date
    calendar.timegm((2026, 12, 8, 3, 28, 47)),
]


def size_text(size):
    """The size column: tenths of KB below 1 MiB, of MB from there, rounded
    half to even, written without a leading zero or a trailing ".0"."""
    if size < 1048576:
        tenths, unit = round(size * 10 / 1024), " KB"
    else:
        tenths, unit = round(size * 10 / 1048576), " MB"
    whole, tenth = divmod(tenths, 10)
    if tenth == 0:
        return f"{whole}{unit}"
    return f"{whole if whole else ''}.{tenth}{unit}"


def windows_path(path):
    """The path as the program sees it: Wine puts the Unix root on drive Z:."""
    return "Z:" + str(path).replace("/", "\\")


def sized_name(size):
    return f"s{size}.bin"


def long_folder_parts(base):
    """Folder names under \\long\\ that bring a folder path (with its trailing
    backslash) to between 200 and 230 characters, still short enough to list."""
    parts, length = ["long"], len(windows_path(base)) + len("\\long\\")
    while length < 200:
        parts.append("d" * 30)
        length += 31
    return parts, length


def long_file_names(base):
    """The names of two files in the deepest \\long\\ folder whose full paths
    have 258 (listed) and 259 (left out) characters."""
    _, folder_length = long_folder_parts(base)
    listed = "a" * (258 - folder_length - 4) + ".txt"
    left_out = "b" * (259 - folder_length - 4) + ".txt"
    return listed, left_out


def prepare_base(base):
    for index, size in enumerate(SIZES):
        path = Path(base) / "sizes" / sized_name(size)
        path.parent.mkdir(exist_ok=True)
        with open(path, "wb") as f:
            f.truncate(size)
        stamp = MTIMES[index % len(MTIMES)]
        os.utime(path, (stamp, stamp))
    for name, value in DOS_ATTRIBUTES.items():
        os.setxattr(Path(base) / name, "user.DOSATTRIB", value)
    os.chmod(Path(base) / "readonly.txt", 0o444)
    parts, _ = long_folder_parts(base)
    folder = Path(base).joinpath(*parts)
    folder.mkdir(parents=True)
    for name in long_file_names(base):
        (folder / name).write_bytes(b"long")


def expected_paths(base):
    paths = {"\\"}
    for rel in BASE_FILES:
        path = "\\" + rel.replace("/", "\\")
        if path not in LEFT_OUT:
            paths.add(path)
    paths.add("\\sizes\\")
    paths.update(f"\\sizes\\{sized_name(s)}" for s in SIZES if s < GIB)
    parts, _ = long_folder_parts(base)
    for depth in range(1, len(parts) + 1):
        paths.add("\\" + "\\".join(parts[:depth]) + "\\")
    paths.add("\\" + "\\".join(parts) + "\\" + long_file_names(base)[0])
    return paths


@pytest.fixture
def rows(zant, ctl):
    return ctl.lvrows(zant.c(FILELIST))


def by_path(rows):
    return {row["texts"][0]: row for row in rows}


def parent_of(path):
    """"\\a\\b\\" and "\\a\\b.txt" are both in "\\a\\"; the root's children in "\\"."""
    return path[:path.rstrip("\\").rfind("\\") + 1]


def folder_numbers(ctl, base):
    """Each folder's own number as the tree the test made gives it: 0 for the
    base folder, then 1, 2, ... depth first, each folder's names in the order
    the file system lists them; hidden and system folders are not entered."""
    numbers, count = {"\\": 0}, 0

    def walk(relative):
        nonlocal count
        for entry in ctl.listdir(base / relative.strip("\\").replace("\\", "/")):
            if entry["attributes"] & 0x10 and not entry["attributes"] & 0x6:
                count += 1
                numbers[relative + entry["name"] + "\\"] = count
                walk(relative + entry["name"] + "\\")

    walk("\\")
    return numbers


# ---------------------------------------------------------------------------
# The rows of a scan


def test_exactly_the_visible_entries_are_listed(zant, rows):
    assert sorted(r["texts"][0] for r in rows) == sorted(expected_paths(zant.base))


def test_root_row_is_first_with_group_minus_one_and_no_size_or_date(rows):
    assert rows[0]["texts"] == ["\\", "", ""]
    assert rows[0]["param"] == -1
    assert [r["index"] for r in rows if r["param"] == -1] == [0]


def test_a_scan_leaves_nothing_selected_or_ticked(rows):
    assert not [r["texts"][0] for r in rows if r["selected"] or r["checked"]]


LISTED_SIZES = [s for s in SIZES if s < GIB]


@pytest.mark.parametrize("size", LISTED_SIZES, ids=[str(s) for s in LISTED_SIZES])
def test_file_row_shows_its_size_and_modified_time(zant, rows, size):
    stamp = (zant.base / "sizes" / sized_name(size)).stat().st_mtime
    row = by_path(rows)[f"\\sizes\\{sized_name(size)}"]
    assert row["texts"][1:] == [size_text(size), http_date(stamp)]


def test_files_of_one_gib_or_more_are_left_out(rows):
    listed = {p for p in by_path(rows) if p.startswith("\\sizes\\")}
    assert f"\\sizes\\{sized_name(GIB - 1)}" in listed
    # The second is 4 GiB + 100 bytes: its size's low half alone would be small.
    assert not listed & {f"\\sizes\\{sized_name(s)}" for s in SIZES if s >= GIB}


def test_file_rows_written_by_the_test_show_their_times_too(zant, rows):
    # Files made just now: the date of their last write, to the second.
    table = by_path(rows)
    for rel in ("plain.txt", "docs/guide.txt", "music/song.mp3"):
        stat = (zant.base / rel).stat()
        row = table["\\" + rel.replace("/", "\\")]
        assert row["texts"][1:] == [size_text(stat.st_size), http_date(stat.st_mtime)], rel


ZONES = ["America/New_York", "Asia/Kolkata", "Australia/Sydney"]


@pytest.mark.parametrize("zone", ZONES)
def test_modified_times_are_shown_in_gmt_whatever_the_time_zone(start_zant, ctl, zone):
    # Dates in and out of daylight time in both hemispheres, one an hour after
    # midnight GMT so that a zone's shift would change the day too.
    stamps = {f"t{i}.txt": stamp for i, stamp in enumerate(MTIMES)}
    stamps["late.txt"] = calendar.timegm((2026, 3, 1, 1, 0, 0))
    run = start_zant(files={name: name for name in stamps}, finish=False, env={"TZ": zone})
    for name, stamp in stamps.items():
        os.utime(run.base / name, (stamp, stamp))
    # The first scan ran before the times were set; F5 reads them.
    run.finish_scan()
    rescan(run)
    shown = {r["texts"][0]: r["texts"][2] for r in ctl.lvrows(run.c(FILELIST))}
    assert {name: shown["\\" + name] for name in stamps} == {
        name: http_date(stamp) for name, stamp in stamps.items()}


@pytest.mark.parametrize("path", LEFT_OUT)
def test_hidden_and_system_entries_are_left_out(rows, path):
    assert path not in by_path(rows)


@pytest.mark.parametrize("path", ["\\readonly.txt", "\\archived.txt"])
def test_read_only_and_archive_files_are_listed(rows, path):
    assert path in by_path(rows)


def test_a_file_path_of_259_characters_is_left_out_and_one_of_258_listed(zant, rows):
    parts, _ = long_folder_parts(zant.base)
    folder = "\\" + "\\".join(parts) + "\\"
    listed, left_out = long_file_names(zant.base)
    assert len(windows_path(zant.base) + folder + listed) == 258
    paths = by_path(rows)
    assert folder + listed in paths
    assert folder + left_out not in paths


def test_folder_rows_end_in_a_backslash_and_have_no_size_or_date(zant, rows):
    folders = [r for r in rows[1:] if (zant.base / r["texts"][0].strip("\\").replace("\\", "/"))
               .is_dir()]
    assert folders
    assert all(r["texts"][0].endswith("\\") and r["texts"][1:] == ["", ""] for r in folders)
    files = [r for r in rows[1:] if r not in folders]
    assert all(not r["texts"][0].endswith("\\") and r["texts"][1] and r["texts"][2]
               for r in files)


def test_every_row_carries_the_number_of_the_folder_it_is_in(zant, ctl, rows):
    numbers = folder_numbers(ctl, zant.base)
    assert rows[0]["param"] == -1
    assert {r["texts"][0]: r["param"] for r in rows[1:]} == {
        r["texts"][0]: numbers[parent_of(r["texts"][0])] for r in rows[1:]}


def test_folders_are_numbered_one_by_one_depth_first(zant, ctl, rows):
    numbers = folder_numbers(ctl, zant.base)
    folders = [r["texts"][0] for r in rows[1:] if r["texts"][0].endswith("\\")]
    assert sorted(numbers[f] for f in folders) == list(range(1, len(folders) + 1))
    for folder in folders:
        below = [f for f in folders if f.startswith(folder)]
        # Depth first: a folder and everything below it take consecutive numbers,
        # its own first.
        assert sorted(numbers[f] for f in below) == list(
            range(numbers[folder], numbers[folder] + len(below))), folder


def test_a_folders_first_child_follows_it(zant, ctl, rows):
    numbers = folder_numbers(ctl, zant.base)
    for i, row in enumerate(rows[1:], start=1):
        path = row["texts"][0]
        if path.endswith("\\"):
            child = rows[i + 1]
            assert child["texts"][0].startswith(path) and child["param"] == numbers[path], path


def test_rows_are_in_ascending_order_of_their_path_text(ctl, rows):
    paths = [r["texts"][0] for r in rows]
    assert paths == ctl.collate(paths)


def test_reading_window_counted_the_listed_files(zant, ctl, rows):
    # The first scan's count went with its window; F5 shows a new one.
    files = [r for r in rows if not r["texts"][0].endswith("\\")]
    zant.focus_by_tab(FILELIST)
    zant.keys("F5")
    zant.wait_scan_done()
    assert ctl.text(f"{READING}/{FOUNDCOUNT}") == str(len(files))
    zant.finish_scan()


# ---------------------------------------------------------------------------
# New scans, Ctrl+A


def rescan(run):
    """F5 in the file list: the folder button opens a shell dialog instead."""
    run.focus_by_tab(FILELIST)
    run.keys("F5")
    run.finish_scan()


def test_f5_reads_the_folder_again_and_drops_every_mark(start_zant, ctl):
    run = start_zant(files={"keep.txt": "k", "gone.txt": "g", "sub/": None, "sub/in.txt": "i"})
    rows = ctl.lvrows(run.c(FILELIST))
    for row in rows:
        ctl.lvset(run.c(FILELIST), row["index"], "selected")
        ctl.lvset(run.c(FILELIST), row["index"], "checked")
    assert all(r["selected"] and r["checked"] for r in ctl.lvrows(run.c(FILELIST)))
    (run.base / "gone.txt").unlink()
    (run.base / "new.txt").write_text("new")
    (run.base / "sub" / "deeper").mkdir()
    (run.base / "sub" / "deeper" / "more.txt").write_text("more")

    rescan(run)
    rows = ctl.lvrows(run.c(FILELIST))
    assert [r["texts"][0] for r in rows] == [
        "\\", "\\keep.txt", "\\new.txt", "\\sub\\", "\\sub\\deeper\\", "\\sub\\deeper\\more.txt",
        "\\sub\\in.txt"]
    assert not [r for r in rows if r["selected"] or r["checked"]]


def test_ctrl_a_selects_every_row_and_the_root_listing_is_shared(start_zant, ctl):
    run = start_zant(files={"a.txt": "a", "d/": None, "d/b.txt": "b"})
    run.host(limit=10)
    _, _, body = parse_response(http_raw("GET / HTTP/1.1\r\n\r\n"))
    assert DENIED_TEXT in body
    run.focus_by_tab(FILELIST)
    run.keys("ctrl+a")
    poll(lambda: ctl.lvcount(run.c(FILELIST))["selected"] == 4, 5, what="every row selected")
    assert all(r["selected"] for r in ctl.lvrows(run.c(FILELIST)))
    status, _, body = parse_response(http_raw("GET / HTTP/1.1\r\n\r\n"))
    assert status == 200
    assert DENIED_TEXT not in body
    assert listing_link("\\d\\", "/d/") in body and listing_link("\\a.txt", "/a.txt") in body


# ---------------------------------------------------------------------------
# Cancelling a deep scan

DEEP_FOLDERS = [f"d{a}/e{b}/f{c}" for a in range(4) for b in range(5) for c in range(4)]
# Big enough that a scan of it lasts a few seconds even on a fast machine.
DEEP_FILES_PER_FOLDER = 400


def make_deep_tree(base):
    """32,000 files in 80 nested folders of three levels."""
    for folder in DEEP_FOLDERS:
        path = Path(base) / folder
        path.mkdir(parents=True)
        for i in range(DEEP_FILES_PER_FOLDER):
            (path / f"file{i:03d}.txt").touch()
    return len(DEEP_FOLDERS) * DEEP_FILES_PER_FOLDER


def watch_until_closed(run, ctl, timeout=30.0):
    """The button's (text, enabled) as seen until the reading window is gone."""
    seen = set()

    def closed():
        try:
            text = ctl.text(f"{READING}/{CANCELBUTTON}")
            enabled = ctl.enabled(f"{READING}/{CANCELBUTTON}")
        except CtlError:
            return not ctl.exists(READING)
        seen.add((text, enabled))
        return False

    poll(closed, timeout, interval=0.005, what="the reading window to close")
    return seen


def assert_consistent_partial_list(ctl, run, total_files):
    run.wait_main()
    rows = ctl.lvrows(run.c(FILELIST), 0, None)
    paths = {r["texts"][0] for r in rows}
    files = [p for p in paths if not p.endswith("\\")]
    assert len(files) < total_files, "the scan was not stopped"
    # What was found before the cancel stays, each row below its folder's row.
    assert all(parent_of(p) in paths for p in paths if p != "\\")
    assert ctl.enabled(MAIN) and ctl.visible(MAIN)


@pytest.fixture(scope="module")
def deep_tree(tmp_path_factory):
    base = tmp_path_factory.mktemp("deep")
    return base, make_deep_tree(base)


@pytest.mark.parametrize("how", ["Escape", "Return", "click"])
def test_cancel_stops_the_first_scan_and_closes_the_window_at_once(runs, ctl, deep_tree, how):
    base, total = deep_tree
    run = runs.start(base, finish=False)
    try:
        assert run.wait_reading() == "Cancel", "the scan ended before it could be cancelled"
        if how == "click":
            ctl.click(f"{READING}/{CANCELBUTTON}")
        else:
            # The window may be gone before a sync could reach it.
            run.activate(READING)
            run.keyboard.keys(how)
        seen = watch_until_closed(run, ctl)
        assert ("OK", True) not in seen
        assert_consistent_partial_list(ctl, run, total)
    finally:
        runs.stop(run)


def test_cancel_stops_a_new_scan_too(runs, ctl, deep_tree):
    base, total = deep_tree
    run = runs.start(base, finish=False)
    try:
        run.finish_scan(timeout=120)
        run.focus_by_tab(FILELIST)
        run.activate()
        run.keyboard.keys("F5")
        assert run.wait_reading() == "Cancel", "the scan ended before it could be cancelled"
        poll(lambda: int(ctl.text(f"{READING}/{FOUNDCOUNT}") or 0) > 0, 30,
             what="the scan to find files")
        ctl.click(f"{READING}/{CANCELBUTTON}")
        seen = watch_until_closed(run, ctl)
        assert ("OK", True) not in seen
        assert_consistent_partial_list(ctl, run, total)
    finally:
        runs.stop(run)


def test_requests_are_answered_while_a_scan_runs(runs, ctl, deep_tree):
    base, _ = deep_tree
    run = runs.start(base, finish=False)
    try:
        run.finish_scan(timeout=120)
        run.host(limit=10)
        # Its row follows the root and its three folders.
        row = ctl.lvrows(run.c(FILELIST), 4, 1)[0]
        assert row["texts"][0] == "\\d0\\e0\\f0\\file000.txt"
        ctl.lvset(run.c(FILELIST), 4, "selected")
        url = "/d0/e0/f0/file000.txt"
        assert get_status(url) == 200
        run.focus_by_tab(FILELIST)
        run.activate()
        run.keyboard.keys("F5")
        assert run.wait_reading() == "Cancel", "the scan ended before a request could be made"
        # The scan starts from an empty list: nothing is shared while it runs.
        assert get_status(url) == 404
        assert ctl.text(f"{READING}/{CANCELBUTTON}") == "Cancel", "the scan ended meanwhile"
        run.finish_scan(timeout=120)
        assert get_status(url) == 404
    finally:
        runs.stop(run)


# ---------------------------------------------------------------------------
# A folder that cannot be searched


def files_found_before(ctl, base, stop):
    """How many listed files a scan of base has found when it reaches the
    folder stop: depth first, in the order the file system lists each folder."""
    count = 0

    def walk(folder):
        nonlocal count
        try:
            entries = ctl.listdir(folder)
        except CtlError:  # a folder that cannot be listed gives no files
            return False
        for entry in entries:
            path = folder / entry["name"]
            if path == stop:
                return True
            if entry["attributes"] & 0x6:
                continue
            if not entry["attributes"] & 0x10:
                count += len(windows_path(path)) < 259
            elif walk(path):
                return True
        return False

    walk(base)
    return count


def test_folders_too_long_to_search_each_give_a_search_error(runs, ctl, tmp_path):
    # A folder path is cut at 259 characters, and one that long cannot be
    # listed: each such folder gets its own message box and the scan goes on.
    fill_folder(tmp_path, {"first.txt": "1", "zlast.txt": "z"})
    parent = tmp_path / "p"
    while len(windows_path(parent)) + 41 <= 240:
        parent /= "q" * 40
    if len(windows_path(parent)) < 220:
        parent /= "r" * (230 - len(windows_path(parent)) - 1)
    too_long = [parent / ("L" * 40), parent / ("M" * 40)]
    for folder in too_long:
        folder.mkdir(parents=True)
        (folder / "inside.txt").write_text("never found")
    (parent / "beside.txt").write_text("found")

    run = runs.start(tmp_path, finish=False)
    try:
        for folder in too_long:
            box = ctl.wait_msgbox(timeout=60, pid=run.pid)
            expected = "Could not search " + (windows_path(folder) + "\\")[:259]
            assert (box["title"], box["text"]) == ("Search Error", expected)
            assert [b["text"] for b in box["buttons"]] == ["OK"]
            assert box["owner"] == "0x0"
            assert ctl.text(f"{READING}/{CANCELBUTTON}") == "Cancel"
            # While the box waits, the counter shows every file found so far.
            found = files_found_before(ctl, tmp_path, folder)
            poll(lambda: ctl.text(f"{READING}/{FOUNDCOUNT}") == str(found), 5,
                 what=f"the counter at {found}")
            ctl.msgboxclose(1, pid=run.pid)
        run.finish_scan()
        assert ctl.msgbox(run.pid) is None
        paths = [r["texts"][0] for r in ctl.lvrows(run.c(FILELIST))]
        rel = ["\\" + str(p.relative_to(tmp_path)).replace("/", "\\") for p in too_long]
        assert rel[0] + "\\" in paths and rel[1] + "\\" in paths
        assert {"\\first.txt", "\\zlast.txt"} <= set(paths)
        assert [p for p in paths if p.endswith("beside.txt")]
        assert not [p for p in paths if p.endswith("inside.txt")]
    finally:
        runs.stop(run)


# ---------------------------------------------------------------------------
# Double-clicks


def test_double_click_opens_a_folder_row_but_never_the_root(start_zant, ctl):
    run = start_zant(files={"sub/": None, "sub/a.txt": "a"})
    base_name, before = run.base.name, {w["hwnd"] for w in ctl.windows()}

    def explorers():
        return [w for w in ctl.windows() if w["class"] in ("ExplorerWClass", "CabinetWClass")
                and w["hwnd"] not in before and w["visible"]]

    opened = []
    try:
        run.activate()
        run.click_row(0, repeat=2)
        run.sync(settle=0.3)
        # The folder row, as a control that double-clicks do reach the shell.
        index = [r["texts"][0] for r in ctl.lvrows(run.c(FILELIST))].index("\\sub\\")
        run.click_row(index, repeat=2)
        opened = poll(explorers, 30, what="a window showing the folder")
        run.sync(settle=1.0)
        opened = explorers()
        assert [w["title"] for w in opened] == ["sub"], f"root is {base_name}"
    finally:
        for window in opened:
            try:
                ctl.post(window["hwnd"], 0x0010)  # WM_CLOSE
            except CtlError:
                pass


# ---------------------------------------------------------------------------
# Marks in the list as requests see them

MARKED_FILES = {"a.txt": "file a", "sub/": None, "sub/b.txt": "file b"}
USER, PASSWORD = "alice", "secret"


@pytest.fixture(scope="module")
def hosting(runs, tmp_path_factory):
    base = tmp_path_factory.mktemp("marks")
    fill_folder(base, MARKED_FILES)
    run = runs.start(base)
    run.host(limit=20)
    run.ctl.settext(run.c(USEREDIT), USER)
    run.ctl.settext(run.c(PASSEDIT), PASSWORD)
    yield run
    runs.stop(run)


def row_index(ctl, run, path):
    return [r["texts"][0] for r in ctl.lvrows(run.c(FILELIST))].index(path)


def set_marks(ctl, run, path, selected, checked):
    index = row_index(ctl, run, path)
    ctl.lvset(run.c(FILELIST), index, "selected" if selected else "unselected")
    ctl.lvset(run.c(FILELIST), index, "checked" if checked else "unchecked")


def get_status(url, credential=None):
    extra = f"Authorization: Basic {credential}\r\n" if credential else ""
    return parse_response(http_raw(f"GET {url} HTTP/1.1\r\nHost: t\r\n{extra}\r\n"))[0]


GOOD = base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()
BAD = base64.b64encode(f"{USER}:wrong".encode()).decode()

# One row's marks, changed in this order, each checked right after the change.
MARK_CHANGES = [
    # selected, checked, credential, status
    (True, False, None, 200),
    (False, False, None, 404),
    (True, True, None, 401),
    (True, True, BAD, 401),
    (True, True, GOOD, 200),
    (False, True, GOOD, 404),
    (True, False, None, 200),
    (False, False, GOOD, 404),
]


@pytest.mark.parametrize("path, url", [("\\a.txt", "/a.txt"), ("\\sub\\b.txt", "/sub/b.txt")])
def test_marks_set_in_the_list_decide_the_answer_at_once(hosting, ctl, path, url):
    for selected, checked, credential, status in MARK_CHANGES:
        set_marks(ctl, hosting, path, selected, checked)
        assert get_status(url, credential) == status, (selected, checked, credential)


def test_marks_made_with_the_mouse_decide_the_answer(hosting, ctl):
    run = hosting
    set_marks(ctl, run, "\\a.txt", False, False)
    set_marks(ctl, run, "\\sub\\b.txt", False, False)
    a, b = row_index(ctl, run, "\\a.txt"), row_index(ctl, run, "\\sub\\b.txt")
    run.activate()
    run.click_row(a)
    poll(lambda: get_status("/a.txt") == 200, 5, what="a.txt to be shared")
    assert get_status("/sub/b.txt") == 404
    run.click_row(b, modifiers=("ctrl",))
    poll(lambda: get_status("/sub/b.txt") == 200, 5, what="b.txt to be shared too")
    assert get_status("/a.txt") == 200
    run.click_row(a, part="checkbox")
    poll(lambda: get_status("/a.txt") == 401, 5, what="a.txt to be protected")
    assert get_status("/a.txt", GOOD) == 200
    run.click_row(b)  # a plain click selects that row alone
    poll(lambda: get_status("/a.txt") == 404, 5, what="a.txt to be no longer shared")
    assert get_status("/sub/b.txt") == 200
    rows = ctl.lvrows(run.c(FILELIST))
    assert [(r["selected"], r["checked"]) for r in (rows[a], rows[b])] == [(False, True),
                                                                           (True, False)]


def test_a_folders_marks_do_not_reach_the_files_in_it(hosting, ctl):
    set_marks(ctl, hosting, "\\sub\\b.txt", False, False)
    set_marks(ctl, hosting, "\\sub\\", True, False)
    assert get_status("/sub/b.txt") == 404
    set_marks(ctl, hosting, "\\sub\\b.txt", True, False)
    set_marks(ctl, hosting, "\\sub\\", True, True)
    # The folder's tick protects its listing, not the file that is shared alone.
    assert get_status("/sub/b.txt") == 200
    assert get_status("/sub/") == 401
    set_marks(ctl, hosting, "\\sub\\", False, False)
    assert get_status("/sub/b.txt") == 200
