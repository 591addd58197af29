#!/bin/bash
# Runs every test: first the house style (layout, names, bug-prone
# constructs), then the portable core natively (with address/undefined and
# thread sanitizers), a short run of each fuzz target, the native Linux program
# and its end-to-end tests, then the Win32 tests and the end-to-end tests of the
# real Sonalix.exe under Wine, each on a private virtual desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# shellcheck disable=SC1091
. scripts/wine-env.sh
jobs=${SONALIX_JOBS:-2}

tier() {  # tier PRESET [TARGET: build only that, run nothing]
  echo "=== $1 ==="
  local start=$SECONDS
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs" ${2:+--target "$2"}
  [ -n "${2:-}" ] || ctest --preset "$1" --timeout 900
  echo "=== $1: $((SECONDS - start)) s ==="
}

echo "=== style ==="
bash scripts/style.sh
echo "=== style: $SECONDS s ==="
tier host
# ThreadSanitizer on the core's code that runs threads: capture with the
# meter, and the tray icon's animation and click threads.
threaded=(main_core_tests trayicon_core_tests)
echo "=== host-tsan ==="
start=$SECONDS
cmake --preset host-tsan >/dev/null
cmake --build --preset host-tsan -j "$jobs" --target "${threaded[@]}"
ctest --preset host-tsan --timeout 900 -L "^($(IFS='|'; echo "${threaded[*]}"))\$"
echo "=== host-tsan: $((SECONDS - start)) s ==="
echo "=== fuzz ==="
bash scripts/fuzz.sh 5
tier linux
if [ "$SONALIX_WINE_ARCH" = win32 ]; then
  tier win32
else
  # The shipped program is the i686 build: it is built (warnings are errors)
  # even where Wine cannot run it, and the 64-bit build of the same sources
  # runs the Windows tests.
  echo "note: this machine runs no 32-bit x86 code; the Windows tests run the 64-bit build"
  tier win32 Sonalix
  # Its zip and installer are made too; the 64-bit twins are the ones run.
  cpack --preset win32 >/dev/null
  tier win64
fi
