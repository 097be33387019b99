#!/usr/bin/env bash
# A 512 MiB file fetched with curl over loopback from zant.exe itself (under
# Wine, hosting through its window), from the program's delivery path in a
# bare harness, and from nginx (native, sendfile), in the same run; prints the
# throughputs, their ratios against nginx, and the working-set growth of
# zant.exe during its downloads. See file_delivery.py.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh nginx
scripts/build.sh win
bench/build_programs.sh bench_serve_file

source scripts/wine_env.sh
zant_display_start
trap zant_wine_stop EXIT
zant_wine_start
/usr/bin/python3 bench/file_delivery.py
