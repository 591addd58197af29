#!/bin/bash
# Runs every test: the portable core natively (with address/undefined and
# thread sanitizers), a short run of each fuzz target, then the Win32 tests and
# the end-to-end tests of the real Sonalix.exe under Wine on a private virtual desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs=${SONALIX_JOBS:-2}
for preset in host host-tsan win32; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" --timeout 900
  if [ "$preset" = host-tsan ]; then
    echo "=== fuzz ==="
    bash scripts/fuzz.sh 15
  fi
done
