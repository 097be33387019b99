#!/usr/bin/env bash
# Builds the named benchmark programs in build/win-bench, a Windows build of
# their own with ZANT_BENCH on, so that the build ./test uses never makes them.
# Usage: bench/build_programs.sh TARGET...
set -eu
cd "$(dirname "$0")/.."
dir=build/win-bench
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_RULE_MESSAGES=OFF -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DZANT_BENCH=ON >/dev/null
fi
make -s --no-print-directory -C "$dir" -j"$(nproc)" "$@"
