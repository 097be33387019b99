#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine; apt-get
# runs only when something is missing. Safe to run again and again.
set -eu

packages=(
  cmake make g++ googletest libgtest-dev
  g++-mingw-w64-x86-64 wine wine64 xvfb xdotool fonts-liberation
  clang libclang-rt-14-dev
  python3 python3-pytest curl
  chromium chromium-driver
)
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
