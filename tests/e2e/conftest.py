"""Fixtures of the end-to-end tests: one desktop and one automation tool per
session, and runs of the real program that never overlap (only one copy may
run on a desktop)."""

import re

import pytest

from zant_harness import (MAIN, READING, ZANTCTL_EXE, Ctl, CtlError, Desktop, Keyboard, Zant,
                          fill_folder)


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "slow: waits out one of the program's own time-outs (about a minute); "
        "still part of every run")


def make_base(parent, files=None, outside=None, mtime=None):
    """A base folder under parent holding files; with outside, those files are
    made in the folder above it, where no request may reach them."""
    base = parent
    if outside is not None:
        fill_folder(parent, outside)
        base = parent / "base"
        base.mkdir()
    fill_folder(base, files, mtime=mtime)
    return base


@pytest.fixture(scope="session")
def desktop():
    if not ZANTCTL_EXE.exists():
        pytest.skip(f"{ZANTCTL_EXE} is not built")
    desk = Desktop().start()
    yield desk
    desk.stop()


@pytest.fixture(scope="session")
def ctl(desktop):
    tool = Ctl(desktop.env).start()
    yield tool
    tool.stop()


@pytest.fixture(scope="session")
def keyboard(desktop):
    return Keyboard(desktop.env)


class Runs:
    """The one program run of the desktop at a time."""

    def __init__(self, desktop, ctl, keyboard):
        self.desktop = desktop
        self.ctl = ctl
        self.keyboard = keyboard
        self.current = None

    def start(self, base, finish=True, env=None):
        self.stop()
        if self.ctl.exists(MAIN):
            raise RuntimeError("a ZANT window left by something else is still on the desktop")
        self.current = Zant(self.desktop, self.ctl, base, self.keyboard, env=env)
        try:
            self.current.start(finish=finish)
        except Exception:
            self.stop()
            raise
        return self.current

    def stop(self, run=None):
        if self.current is None or (run is not None and run is not self.current):
            return None
        run, self.current = self.current, None
        return run.close()


@pytest.fixture(scope="session")
def runs(desktop, ctl, keyboard):
    registry = Runs(desktop, ctl, keyboard)
    yield registry
    registry.stop()


def _needs_restart(run):
    """A shared run is given up when a test left it in a state of its own."""
    try:
        return (not run.running or run.ctl.exists(READING) or run.ctl.msgbox(run.pid) is not None
                or not run.ctl.visible(MAIN) or not run.ctl.enabled(MAIN))
    except CtlError:
        return True


@pytest.fixture(scope="module")
def _module_run(runs):
    slot = {"run": None}
    yield slot
    if slot["run"] is not None:
        runs.stop(slot["run"])


@pytest.fixture
def zant(runs, _module_run, request, tmp_path_factory):
    """A running program shared by the read-only tests of a module. Its base
    folder holds the module's BASE_FILES ({"name": text or bytes, "dir/": None}),
    with the last-write time BASE_MTIME when the module gives one; the
    module's OUTSIDE_FILES, if any, lie in the folder above the base folder; a
    module function prepare_base(path), when there is one, then adds what a
    table cannot say (sizes, times, attributes)."""
    run = _module_run["run"]
    if run is None or runs.current is not run or _needs_restart(run):
        module = request.module
        base = make_base(tmp_path_factory.mktemp("base"), getattr(module, "BASE_FILES", None),
                         getattr(module, "OUTSIDE_FILES", None),
                         getattr(module, "BASE_MTIME", None))
        prepare = getattr(module, "prepare_base", None)
        if prepare is not None:
            prepare(base)
        run = _module_run["run"] = runs.start(base)
    yield run
    if _needs_restart(run):
        runs.stop(run)


@pytest.fixture
def start_zant(runs, tmp_path):
    """Starts a run of the test's own: start_zant(files=None, finish=True,
    outside=None, mtime=None, env=None) (see make_base; env: extra variables
    of the program's environment, such as TZ)."""
    started = []

    def start(files=None, finish=True, outside=None, mtime=None, env=None):
        folder = tmp_path / f"base{len(started)}"
        folder.mkdir()
        base = make_base(folder, files, outside, mtime)
        run = runs.start(base, finish=finish, env=env)
        started.append(run)
        return run

    yield start
    for run in started:
        runs.stop(run)


@pytest.fixture
def fresh_zant(start_zant):
    """A run of the test's own in an empty base folder, for tests that change state."""
    return start_zant()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """A failed test leaves a picture of the program's windows in build/artifacts."""
    outcome = yield
    report = outcome.get_result()
    if report.when != "call" or not report.failed:
        return
    funcargs = getattr(item, "funcargs", {})
    run = funcargs.get("zant") or funcargs.get("fresh_zant")
    if run is None and "runs" in funcargs:
        run = funcargs["runs"].current
    if not isinstance(run, Zant) or not run.running:
        return
    shot = re.sub(r"[^A-Za-z0-9_.-]+", "_", item.nodeid)
    for spec in (MAIN, READING):
        try:
            if run.ctl.exists(spec) and run.ctl.visible(spec):
                path = run.ctl.screenshot_png(spec, f"{shot}-{spec}")
                report.sections.append(("screenshot", str(path)))
        except CtlError:
            pass
