#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine; apt-get
# runs only when something is missing. Safe to run again and again.
# Usage: scripts/setup.sh [run] [PACKAGE...]
#   run       only what building and running the program needs (./run)
#   PACKAGE   more packages to install with the set (nginx for a benchmark)
set -eu

# The cross compiler, Wine, the virtual display and the fonts the program asks for.
run_packages=(
  cmake make g++-mingw-w64-x86-64 wine wine64 xvfb fonts-liberation
)
# The tests: GoogleTest (native and for Windows), clang's libFuzzer, the
# end-to-end harness, its keystrokes, its browser and its other clients, the
# locales it runs the program in, and the Unicode data the case folding table
# is checked against.
test_packages=(
  g++ googletest libgtest-dev
  unicode-data
  xdotool
  clang libclang-rt-14-dev
  python3 python3-pytest curl wget
  chromium chromium-driver
  locales
)

packages=("${run_packages[@]}")
only_run=0
if [ "${1:-}" = run ]; then
  only_run=1
  shift
else
  packages+=("${test_packages[@]}")
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A Japanese system (code page 932) for the tests of names outside the
# Western page; only the tests need it.
if [ $only_run = 0 ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
