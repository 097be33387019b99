#!/usr/bin/env bash
# What one log entry costs the log window, beside rewriting its whole text.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh win
bench/build_programs.sh bench_log_window
source scripts/wine_env.sh
zant_display_start
trap zant_wine_stop EXIT
zant_wine_start
wine build/win-bench/bench_log_window.exe
