#!/bin/bash
# Builds Sonalix and runs it: Sonalix.exe under Wine, or with --native the
# native Linux program (build/linux/bin/sonalix). Without a display it starts
# a virtual one, lets the meter show a test tone and saves a screenshot
# (scripts/run_demo.py); Enter ends the program and the virtual display.
# With SONALIX_SETUP_CHECK_ONLY=1 (as the tests run it) a missing package
# stops it instead of being installed.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  "") native=0 ;;
  --native) native=1 ;;
  *) echo "usage: run.sh [--native]" >&2; exit 2 ;;
esac

bash scripts/setup.sh ${SONALIX_SETUP_CHECK_ONLY:+--check}
have_display() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

if [ "$native" = 1 ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j 2 --target sonalix skins
  bin=$PWD/build/linux/bin
  have_display && exec "$bin/sonalix"
  desk=$PWD/build/run-native-desktop
  scripts/desktop.sh start "$desk" --native >/dev/null
  trap 'scripts/desktop.sh stop "$desk" >/dev/null 2>&1' EXIT
  status=0
  python3 scripts/run_demo.py --native "$desk" "$bin" "$PWD/build/sonalix-native-screenshot.png" || status=$?
  exit "$status"
fi

# shellcheck disable=SC1091
. scripts/wine-env.sh
cmake --preset "$SONALIX_WINE_ARCH" >/dev/null
cmake --build --preset "$SONALIX_WINE_ARCH" -j 2 --target Sonalix
bin=$PWD/build/$SONALIX_WINE_ARCH/bin
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if have_display; then
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
