"""Downloads of one 512 MiB file over loopback with curl, in the same run from:
build/win/zant.exe itself under Wine (started in a temporary base folder,
the file shared and hosted through its window by the automation tool), the
program's delivery path alone in a bare harness (bench_serve_file.exe), and
nginx (native, sendfile on). The servers take turns, one download each per
round, so that other load on the machine falls on all of them alike; the best
of the rounds counts. While zant.exe serves, its working set is sampled with
the automation tool's procinfo; the growth is the peak less the value before
the first download.

Run through bench/file_delivery.sh, which builds the programs and provides
the display and the Wine prefix.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import threading
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from zant_harness import Ctl, Desktop, Zant, poll  # noqa: E402

MIB = 1024 * 1024
SIZE = 512 * MIB
ROUNDS = int(os.environ.get("ROUNDS", "3"))
LIMIT = 4  # connections allowed by the slider; the downloads come one at a time
HARNESS_PORT = 18082
NGINX_PORT = 18081
HARNESS_EXE = ROOT / "build" / "win-bench" / "bench_serve_file.exe"
WORK = ROOT / "build" / "bench" / "file_delivery"
TARGET_RATIO = 0.5
TARGET_GROWTH_MIB = 32


def kept_file():
    """The file served, made once and kept for later runs."""
    WORK.mkdir(parents=True, exist_ok=True)
    big = WORK / "big.bin"
    if not big.exists() or big.stat().st_size != SIZE:
        with open(big, "wb") as out:
            for _ in range(SIZE // MIB):
                out.write(os.urandom(MIB))
    return big


def place(big, folder):
    """The kept file in a folder of its own, linked rather than copied."""
    folder.mkdir()
    target = folder / big.name
    try:
        os.link(big, target)
    except OSError:
        shutil.copyfile(big, target)
    return target


def download(url):
    """Bytes per second of one download, checked for its status and length."""
    out = subprocess.run(["curl", "-s", "-o", "/dev/null", "--max-time", "300", "-w",
                          "%{http_code} %{size_download} %{speed_download}", url],
                         capture_output=True, text=True).stdout.split()
    if len(out) != 3 or out[0] != "200" or int(out[1]) != SIZE:
        raise RuntimeError(f"{url}: expected 200 and {SIZE} bytes, curl said {out}")
    return float(out[2])


class MemorySampler(threading.Thread):
    """Samples a process's working set until stopped; the tool is used by no
    one else meanwhile (it answers one line at a time)."""

    def __init__(self, ctl, pid, interval=0.05):
        super().__init__(daemon=True)
        self.ctl, self.pid, self.interval = ctl, pid, interval
        self.peak = 0
        self.samples = 0
        self.error = None
        self._done = threading.Event()

    def run(self):
        try:
            while not self._done.is_set():
                self.peak = max(self.peak, int(self.ctl.procinfo(self.pid)["working_set"]))
                self.samples += 1
                self._done.wait(self.interval)
        except Exception as error:  # reported by the main thread
            self.error = error

    def stop(self):
        self._done.set()
        self.join()
        if self.error:
            raise self.error


def nginx_conf(folder, root):
    conf = folder / "nginx.conf"
    conf.write_text(f"""daemon off;
worker_processes 1;
pid {folder}/nginx.pid;
error_log {folder}/error.log;
events {{ worker_connections 64; }}
http {{
  access_log off;
  sendfile on;
  keepalive_timeout 0;
  server {{ listen 127.0.0.1:{NGINX_PORT}; root {root}; }}
}}
""")
    return conf


def harness_report(text):
    """The harness's closing "name number" lines."""
    words = (line.split() for line in text.splitlines())
    return {w[0]: int(w[1]) for w in words if len(w) == 2 and w[1].isdigit()}


def main():
    big = kept_file()
    temp = Path(tempfile.mkdtemp(prefix="run-", dir=WORK))
    temp.chmod(0o755)  # nginx's workers run as another user
    base, www = temp / "base", temp / "www"
    place(big, base)
    place(big, www)
    nginx = subprocess.Popen(["nginx", "-c", str(nginx_conf(temp, www))])
    desktop = Desktop().start()
    harness_out = temp / "harness.txt"
    windows_path = "Z:" + str(base / big.name).replace("/", "\\")
    with open(harness_out, "w") as out:
        harness = subprocess.Popen(["wine", str(HARNESS_EXE), str(HARNESS_PORT), windows_path,
                                    str(ROUNDS)], env=desktop.env, stdout=out,
                                   stderr=subprocess.STDOUT)
    ctl = Ctl(desktop.env).start()
    run = Zant(desktop, ctl, base)
    speeds = {"zant": [], "harness": [], "nginx": []}
    try:
        poll(lambda: "listening" in harness_out.read_text(), 20, what="the harness to listen")
        run.start()
        run.share()
        address = run.host(LIMIT)
        if address != "127.0.0.1":
            raise RuntimeError(f"ZANT hosts on {address}, not on 127.0.0.1")
        before = ctl.procinfo(run.pid)
        sampler = MemorySampler(ctl, run.pid)
        sampler.start()
        try:
            for number in range(1, ROUNDS + 1):
                speeds["zant"].append(download(f"http://{address}/{big.name}"))
                speeds["harness"].append(download(f"http://127.0.0.1:{HARNESS_PORT}/{big.name}"))
                speeds["nginx"].append(download(f"http://127.0.0.1:{NGINX_PORT}/{big.name}"))
                print(f"round {number}: " + ", ".join(f"{name} {values[-1] / MIB:.1f} MiB/s"
                                                      for name, values in speeds.items()),
                      flush=True)
        finally:
            sampler.stop()
        run.wait_idle()
        after = ctl.procinfo(run.pid)
        harness.wait(timeout=30)
        report = harness_report(harness_out.read_text())
    finally:
        run.close()
        ctl.stop()
        if harness.poll() is None:
            harness.kill()
            harness.wait()
        desktop.stop()
        nginx.terminate()
        nginx.wait()
        shutil.rmtree(temp, ignore_errors=True)

    best = {name: max(values) for name, values in speeds.items()}
    growth = (sampler.peak - int(before["working_set"])) / MIB
    print()
    print(f"512 MiB file over loopback, fetched with curl, best of {ROUNDS} rounds")
    print(f"  nginx (native, sendfile):       {best['nginx'] / MIB:8.1f} MiB/s")
    print(f"  ZANT, zant.exe under Wine:      {best['zant'] / MIB:8.1f} MiB/s")
    print(f"  delivery path alone (harness):  {best['harness'] / MIB:8.1f} MiB/s")
    print(f"  ratio ZANT / nginx:             {best['zant'] / best['nginx']:8.2f}"
          f"   (target at least {TARGET_RATIO:.2f})")
    print(f"  ratio harness / nginx:          {best['harness'] / best['nginx']:8.2f}")
    print(f"  zant.exe working set:           {int(before['working_set']) / MIB:8.1f} MiB before,"
          f" {sampler.peak / MIB:.1f} MiB peak ({sampler.samples} samples)")
    print(f"  zant.exe working-set growth:    {growth:8.1f} MiB"
          f"   (target under {TARGET_GROWTH_MIB} MiB)")
    print(f"  zant.exe threads, handles:      {before['threads']}, {before['handles']} before;"
          f" {after['threads']}, {after['handles']} after")
    print(f"  harness peak growth:            {report.get('growth_kib', 0) / 1024:8.1f} MiB")


if __name__ == "__main__":
    main()
