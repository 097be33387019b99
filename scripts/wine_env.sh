# Sourced by ./test, ./run and the benchmarks: one Xvfb display and one Wine
# prefix inside the build folder, started once and stopped by what we started.

ZANT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$ZANT_ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
ZANT_XVFB_PID=""

# Starts a virtual display unless one is given; sets DISPLAY.
zant_display_start() {
  if [ -n "${ZANT_USE_DISPLAY:-}" ]; then
    export DISPLAY=$ZANT_USE_DISPLAY
    return 0
  fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    ZANT_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$ZANT_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

# No window manager runs on the virtual display. Wine would wait two seconds
# for one to acknowledge every window it hides (the tray icon's window in
# explorer.exe at each exit of the program, each closed message box) and
# would ignore X focus changes, so xdotool's keys would go nowhere. These
# settings let Wine look after the windows of these programs itself; the one
# for explorer.exe counts from the next start of the wineserver.
zant_wine_settings() {
  local app key
  for app in explorer.exe zant.exe; do
    key="HKCU\\Software\\Wine\\AppDefaults\\$app\\X11 Driver"
    if ! grep -qF "[Software\\\\Wine\\\\AppDefaults\\\\$app\\\\X11 Driver]" \
        "$WINEPREFIX/user.reg" 2>/dev/null; then
      wine reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
      wine reg add "$key" /v UseTakeFocus /t REG_SZ /d N /f >/dev/null 2>&1 || true
    fi
  done
  # The program asks for "Arial" and "Courier New"; Debian's metric-compatible
  # Liberation fonts stand in for them, as they would be on Windows. Wine's own
  # Marlett draws the caption's buttons.
  if ! grep -qF '[Software\\Wine\\Fonts\\Replacements]' "$WINEPREFIX/user.reg" 2>/dev/null; then
    key="HKCU\\Software\\Wine\\Fonts\\Replacements"
    wine reg add "$key" /v Arial /t REG_SZ /d "Liberation Sans" /f >/dev/null 2>&1 || true
    wine reg add "$key" /v "Courier New" /t REG_SZ /d "Liberation Mono" /f >/dev/null 2>&1 || true
    wine reg add "$key" /v "Times New Roman" /t REG_SZ /d "Liberation Serif" /f >/dev/null 2>&1 || true
  fi
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
}

# Makes the prefix on first use and keeps one wineserver running.
zant_wine_start() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -p >/dev/null 2>&1 || true
  zant_wine_settings
  wine wineboot >/dev/null 2>&1 || true
}

zant_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$ZANT_XVFB_PID" ]; then
    kill "$ZANT_XVFB_PID" 2>/dev/null || true
    wait "$ZANT_XVFB_PID" 2>/dev/null || true
    ZANT_XVFB_PID=""
  fi
}
