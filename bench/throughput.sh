#!/usr/bin/env bash
# Requests per second of ZANT under Wine beside python and nginx; see throughput.py.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh nginx apache2-utils
scripts/build.sh win
bench/build_programs.sh bench_thread_rate
/usr/bin/python3 bench/throughput.py
