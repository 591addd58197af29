#!/bin/bash
# Builds Sonalix.exe and runs it under Wine. Without a display it starts a
# virtual one, lets the meter show a test tone and saves a screenshot
# (scripts/run_demo.py); Enter ends the program and the virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# shellcheck disable=SC1091
. scripts/wine-env.sh
cmake --preset "$SONALIX_WINE_ARCH" >/dev/null
cmake --build --preset "$SONALIX_WINE_ARCH" -j 2 --target Sonalix
bin=$PWD/build/$SONALIX_WINE_ARCH/bin
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
  scripts/desktop.sh prefix "$WINEPREFIX"
  exec wine "$bin/Sonalix.exe"
fi

desk=$PWD/build/run-desktop
scripts/desktop.sh start "$desk" >/dev/null
trap 'scripts/desktop.sh stop "$desk" >/dev/null 2>&1' EXIT
status=0
python3 scripts/run_demo.py "$desk" "$bin" "$PWD/build/sonalix-screenshot.png" || status=$?
exit "$status"
