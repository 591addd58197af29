#!/bin/bash
# Runs every test. Each build checks the house style of the sources it owns
# (clang-tidy, and clang-format in the host build) beside its own tests. Three
# lanes that share no display or audio server run side by side, since the
# desktop tests mostly wait:
#   checks:  the portable core natively (address/undefined sanitizers), its
#            threaded code under ThreadSanitizer, a short run of each fuzz target;
#   native:  the native Linux program, its layer's tests and end-to-end tests
#            on a private desktop;
#   windows: the Win32 tests and the end-to-end tests of the real Sonalix.exe
#            under Wine on a private desktop of its own.
# Each lane's output is printed whole when it ends; the run fails if any lane
# does.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# shellcheck disable=SC1091
. scripts/wine-env.sh
jobs=${SONALIX_JOBS:-2}
logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"

timed() {  # timed NAME COMMAND...: runs it and says how long it took, and the CPU it used
  echo "=== $1 ==="
  # In a subshell of its own, so that a command failing under set -e leaves
  # no format behind for the enclosing lane's timing to print its own under.
  (
    TIMEFORMAT="=== $1: %0R s (CPU %0U s user, %0S s system) ==="
    time "${@:2}"
  )
}

# The checks lane is the run's longest road and starts at once. The Windows
# lane's build starts the next longest (its Wine tests run one at a time and
# mostly wait), so the native lane builds once it has been built: it holds
# this lock while it builds, the native lane waits for it before its first
# build. (A lower priority for the native lane's build instead starved it
# whenever anything else ran beside the tests.)
build_lock=$logs/windows-build.lock
exec 9>"$build_lock"
flock 9

after_windows_build() { flock -s "$build_lock" true; }

build() {  # build PRESET [TARGET...]
  local preset=$1
  shift
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" ${1:+--target "$@"}
}

# Each preset's results are also kept as a JUnit report, for the summary of
# failures at the end of the run.
junit() { echo "$PWD/$logs/$1.junit.xml"; }

run_tests() { ctest --preset "$1" -j "$jobs" --timeout 900 --output-junit "$(junit "$1")"; }

tier() {
  build "$1"
  run_tests "$1"
}

# ThreadSanitizer on the core's code that runs threads: capture with the
# meter, and the tray icon's animation and click threads.
tsan() {
  local threaded=(main_core_tests main_winmm_tests trayicon_core_tests)
  cmake --preset host-tsan >/dev/null
  cmake --build --preset host-tsan -j "$jobs" --target "${threaded[@]}"
  ctest --preset host-tsan -j "$jobs" --timeout 900 --output-junit "$(junit host-tsan)" -L "^($(IFS='|'; echo "${threaded[*]}"))\$"
}

fuzz() {
  bash scripts/fuzz.sh 5
  scripts/tidy.sh build/fuzz '^tests/fuzz/'
}

checks() {
  timed host tier host
  timed host-tsan tsan
  timed fuzz fuzz
}

native() {
  after_windows_build
  timed linux tier linux
}

# Wine's prefix takes a while to make: it is made (and cached for the test
# desktop) while the program builds.
windows() {
  local preset=$SONALIX_WINE_ARCH prefix
  [ "$preset" = win32 ] || echo "note: Wine cannot run 32-bit programs here; the Windows tests run the 64-bit build"
  scripts/desktop.sh prefix "$logs/wineprefix" >"$logs/wineprefix.log" 2>&1 9>&- &
  prefix=$!
  timed "$preset" build "$preset"
  flock -u 9
  wait "$prefix" || { cat "$logs/wineprefix.log"; return 1; }
  rm -rf "$logs/wineprefix"
  timed "$preset-tests" run_tests "$preset"
  if [ "$preset" = win64 ]; then
    # The shipped program is the i686 build: it is built (warnings are errors)
    # even where Wine cannot run it; the 64-bit build of the same sources ran
    # the Windows tests. Built last, off the checks lane, the longest road.
    timed win32 build win32 Sonalix
    # Its zip and installer are made too; the 64-bit twins are the ones run.
    timed win32-packages cpack --preset win32
  fi
}

declare -A lanes
for lane in checks native windows; do
  # Only the Windows lane keeps the build lock open: should it end early,
  # the lock goes with it and the native lane builds all the same.
  if [ "$lane" = windows ]; then
    ( set -e; timed "lane $lane" "$lane" ) >"$logs/$lane.log" 2>&1 &
  elif [ "$lane" = checks ]; then
    # Batch work only: the desktop tests of the other lanes take their turn
    # first. Beside the run's own compiles they starved, and a Wine menu
    # took no input for over a minute.
    ( exec 9>&-; renice 5 -p "$BASHPID" >/dev/null; set -e; timed "lane $lane" "$lane" ) >"$logs/$lane.log" 2>&1 &
  else
    ( exec 9>&-; set -e; timed "lane $lane" "$lane" ) >"$logs/$lane.log" 2>&1 &
  fi
  lanes[$lane]=$!
done
exec 9>&-

failed=()
remaining=("${!lanes[@]}")
while [ ${#remaining[@]} -gt 0 ]; do
  pids=()
  for lane in "${remaining[@]}"; do pids+=("${lanes[$lane]}"); done
  status=0
  wait -n -p ended "${pids[@]}" || status=$?
  left=()
  for lane in "${remaining[@]}"; do
    if [ "${lanes[$lane]}" = "$ended" ]; then
      cat "$logs/$lane.log"
      echo "=== lane $lane ended after $SECONDS s with status $status ==="
      [ "$status" -eq 0 ] || failed+=("$lane")
    else
      left+=("$lane")
    fi
  done
  remaining=("${left[@]}")
done
grep -h '^=== .*: [0-9]* s (CPU' "$logs"/*.log
if [ ${#failed[@]} -gt 0 ]; then
  # Last, where a log cut to its tail still shows them: the failed tests'
  # own output, and how each failed lane ended.
  shopt -s nullglob
  python3 scripts/test-failures.py "$logs"/*.junit.xml
  for lane in "${failed[@]}"; do
    echo "=== the end of lane $lane ==="
    tail -n 15 "$logs/$lane.log"
  done
  echo "test.sh: failed: ${failed[*]}" >&2
  exit 1
fi
echo "test.sh: all passed in $SECONDS s"
