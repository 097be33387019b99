#!/usr/bin/env python3
"""Requests per second of ZANT under Wine beside python3 -m http.server and
nginx (keep-alive off), all serving the same 1 KiB file on loopback and all
measured with ab (one request per connection) in the same run, and beside the
number of threads per second Wine starts at all (the ceiling of a server that
starts one thread per connection). Two more thread figures show what the
program's own chain costs: a thread started only once the previous one runs
(the next accept notification comes only after the previous worker's accept),
and the same with the program's system libraries loaded."""

import os
import re
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from zant_harness import (CONNSLIDER, FILELIST, HOSTBUTTON, MAIN, STATUSBAR, Ctl, Desktop,  # noqa: E402
                          Zant, poll)

REQUESTS = int(os.environ.get("REQUESTS", "5000"))
CONCURRENCY = int(os.environ.get("CONCURRENCY", "8"))
ROUNDS = int(os.environ.get("ROUNDS", "3"))
NGINX_PORT = 18081
PYTHON_PORT = 18083
THREAD_RATE_EXE = ROOT / "build" / "win-bench" / "bench_thread_rate.exe"


def ab(url):
    out = subprocess.run(["ab", "-q", "-n", str(REQUESTS), "-c", str(CONCURRENCY), url],
                         capture_output=True, text=True, check=True).stdout
    rate = float(re.search(r"Requests per second:\s+([\d.]+)", out).group(1))
    failed = int(re.search(r"Failed requests:\s+(\d+)", out).group(1))
    return rate, failed


def best_of(url):
    runs = [ab(url) for _ in range(ROUNDS)]
    return max(r for r, _ in runs), sum(f for _, f in runs)


def thread_rate(env, mode=""):
    rates = []
    for _ in range(ROUNDS):
        out = subprocess.run(["wine", str(THREAD_RATE_EXE), "3000", mode], env=env,
                             capture_output=True, text=True).stdout
        rates.append(float(re.search(r"per_second ([\d.]+)", out).group(1)))
    return max(rates)


def main():
    work = Path(tempfile.mkdtemp(prefix="zant-throughput-"))
    www = work / "www"
    www.mkdir()
    (www / "one.bin").write_bytes(os.urandom(1024))
    nginx_conf = work / "nginx.conf"
    nginx_conf.write_text(f"""daemon off; worker_processes 1; pid {work}/nginx.pid;
error_log {work}/error.log;
events {{ worker_connections 256; }}
http {{ access_log off; keepalive_timeout 0;
  server {{ listen 127.0.0.1:{NGINX_PORT}; root {www}; }} }}
""")
    nginx = subprocess.Popen(["nginx", "-c", str(nginx_conf)])
    python = subprocess.Popen([sys.executable, "-m", "http.server", str(PYTHON_PORT), "--bind",
                               "127.0.0.1"], cwd=www, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    desktop = Desktop().start()
    ctl = Ctl(desktop.env).start()
    zant = Zant(desktop, ctl, www)
    try:
        zant.start()
        ctl.lvset(zant.c(FILELIST), -1, "selected")
        ctl.tbsetpos(zant.c(CONNSLIDER), 1000)
        ctl.click(zant.c(HOSTBUTTON))
        poll(lambda: ctl.sbtext(zant.c(STATUSBAR), 2) == "\tOnline", 10, what="hosting")
        time.sleep(1)

        threads = thread_rate(desktop.env)
        serial = thread_rate(desktop.env, "w")
        serial_dlls = thread_rate(desktop.env, "wd")
        ours, ours_failed = best_of("http://127.0.0.1/one.bin")
        py, py_failed = best_of(f"http://127.0.0.1:{PYTHON_PORT}/one.bin")
        ng, ng_failed = best_of(f"http://127.0.0.1:{NGINX_PORT}/one.bin")
        counter = ctl.sbtext(zant.c(STATUSBAR), 4)
    finally:
        zant.close()
        ctl.stop()
        desktop.stop()
        nginx.terminate()
        python.terminate()
        nginx.wait()
        python.wait()

    print(f"1 KiB file, ab -n {REQUESTS} -c {CONCURRENCY}, one request per connection, "
          f"best of {ROUNDS} rounds")
    print(f"  Wine thread starts per second:   {threads:9.1f}")
    print(f"    each waited for until it runs: {serial:9.1f}")
    print(f"    same, with ZANT's libraries:   {serial_dlls:9.1f}")
    print(f"  ZANT (Wine):                      {ours:9.1f} req/s  ({ours_failed} failed)")
    print(f"  python3 -m http.server:           {py:9.1f} req/s  ({py_failed} failed)")
    print(f"  nginx, keep-alive off:            {ng:9.1f} req/s  ({ng_failed} failed)")
    print(f"  ZANT / thread starts:             {ours / threads:9.2f}  (target at least 0.80)")
    print(f"  ZANT / serial thread starts:      {ours / serial:9.2f}")
    print(f"  ZANT / serial, ZANT's libraries:  {ours / serial_dlls:9.2f}")
    print(f"  ZANT / python:                    {ours / py:9.2f}")
    print(f"  ZANT / nginx:                     {ours / ng:9.3f}")
    print(f"  status after the runs:            {counter.strip()}")


if __name__ == "__main__":
    main()
