#!/usr/bin/env python3
"""Answers per second of zant.exe under Wine with its request log on a slow
disk: the disk preload (tests/e2e/tool/disk.c) makes every flush of
WebLog.txt take FLUSH_MS (20) milliseconds, one flush at a time, and counts
the flushes. ab asks for a 1 KiB file REQUESTS times, CONCURRENCY (8) at a
time, one request per connection, from this build and from the earlier one
(PEER_EXE), alternately, ROUNDS times each; the best round of each counts."""

import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import zant_harness  # noqa: E402
from zant_harness import Ctl, Desktop, Zant, disk_preload  # noqa: E402

REQUESTS = int(os.environ.get("REQUESTS", "600"))
CONCURRENCY = int(os.environ.get("CONCURRENCY", "8"))
ROUNDS = int(os.environ.get("ROUNDS", "3"))
FLUSH_MS = int(os.environ.get("FLUSH_MS", "20"))
THIS_BUILD = zant_harness.ZANT_EXE


def measure(desktop, ctl, exe, work, name):
    """(answers per second, flushes per answer) of one round."""
    www = work / f"www-{name}"
    www.mkdir()
    (www / "one.bin").write_bytes(os.urandom(1024))
    flushes = work / f"flushes-{name}"
    zant_harness.ZANT_EXE = Path(exe).resolve()
    run = Zant(desktop, ctl, www, env={"LD_PRELOAD": str(disk_preload()),
                                       "ZANT_FLUSH_MS": str(FLUSH_MS),
                                       "ZANT_FLUSH_COUNT": str(flushes)})
    try:
        run.start()
        run.share()
        run.host(1000)
        out = subprocess.run(["ab", "-q", "-n", str(REQUESTS), "-c", str(CONCURRENCY),
                              "http://127.0.0.1/one.bin"], capture_output=True, text=True,
                             check=True).stdout
        run.wait_idle(60)
    finally:
        run.close()
    rate = float(re.search(r"Requests per second:\s+([\d.]+)", out).group(1))
    failed = int(re.search(r"Failed requests:\s+(\d+)", out).group(1))
    if failed:
        raise RuntimeError(f"{name}: {failed} requests failed")
    entries = (www / "WebLog.txt").read_bytes().count(b"[127.0.0.1] ")
    return rate, flushes.stat().st_size / entries


def main():
    peer = os.environ["PEER_EXE"]
    # The start folders on a file system in memory where there is one, so
    # that the flushes cost the simulated 20 ms and nothing of a real disk.
    memory = "/dev/shm" if os.path.isdir("/dev/shm") else None
    work = Path(tempfile.mkdtemp(prefix="zant-slow-disk-", dir=memory))
    desktop = Desktop().start()
    ctl = Ctl(desktop.env).start()
    results = {"this build": [], "earlier build": []}
    try:
        for round_ in range(ROUNDS):
            for name, exe in (("earlier build", peer), ("this build", THIS_BUILD)):
                results[name].append(measure(desktop, ctl, exe, work, f"{name[:4]}{round_}"))
    finally:
        ctl.stop()
        desktop.stop()
    best = {name: max(rounds) for name, rounds in results.items()}
    ours, theirs = best["this build"], best["earlier build"]
    print(f"1 KiB file, ab -n {REQUESTS} -c {CONCURRENCY}, one request per connection; every "
          f"flush of the log {FLUSH_MS} ms, one at a time; best of {ROUNDS} rounds")
    print(f"  earlier build ({os.environ.get('PEER_NAME', peer)}): {theirs[0]:8.1f} answers/s, "
          f"{theirs[1]:.2f} flushes per answer")
    print(f"  this build:          {ours[0]:8.1f} answers/s, {ours[1]:.2f} flushes per answer")
    print(f"  this / earlier:      {ours[0] / theirs[0]:8.2f}  (goal at least 4)")
    print(f"  flushes per answer:  {ours[1]:8.2f}  (goal at most 0.3)")


if __name__ == "__main__":
    main()
