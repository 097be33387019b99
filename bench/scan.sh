#!/usr/bin/env bash
# Times the program's start-up scan of a 5,000-file and a 20,000-file tree under
# Wine beside find over the same trees, in the same run; prints seconds, files
# per second, the 20,000/5,000 ratio and the ratio against find.
# Usage: bench/scan.sh [--rounds N]
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh win

source scripts/wine_env.sh
zant_display_start
trap zant_wine_stop EXIT
zant_wine_start
/usr/bin/python3 bench/scan_bench.py "$@"
