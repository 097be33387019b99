#!/usr/bin/env bash
# Builds the configurations: native (core, unit tests, fuzz replays), san (the
# same with AddressSanitizer and UndefinedBehaviorSanitizer), tsan (the unit
# tests with ThreadSanitizer), Windows (the program and its tests,
# cross-compiled) and fuzz (clang, libFuzzer).
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)

configure() {  # dir, extra cmake arguments...
  local dir=$1; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_RULE_MESSAGES=OFF "$@" >/dev/null
  fi
}

which=${1:-all}
if [ "$which" = all ] || [ "$which" = native ]; then
  configure build/native
  make -s --no-print-directory -C build/native -j"$jobs"
fi
if [ "$which" = all ] || [ "$which" = win ]; then
  configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
  make -s --no-print-directory -C build/win -j"$jobs"
fi
if [ "$which" = all ] || [ "$which" = san ]; then
  configure build/san -DZANT_SANITIZE=ON
  make -s --no-print-directory -C build/san -j"$jobs"
fi
if [ "$which" = all ] || [ "$which" = tsan ]; then
  configure build/tsan -DZANT_TSAN=ON
  make -s --no-print-directory -C build/tsan -j"$jobs" unit_tests
fi
if [ "$which" = all ] || [ "$which" = fuzz ]; then
  configure build/fuzz -DZANT_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZANT_SANITIZE=ON
  make -s --no-print-directory -C build/fuzz -j"$jobs"
fi
