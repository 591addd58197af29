#!/bin/bash
# clang-tidy over the project's own C++ sources of one configured build whose
# path matches a pattern, as that build compiles them, in parallel. Version 22
# leaves the system's headers (the C++ library, GTK, Windows, GoogleTest)
# unvisited, which makes it three times quicker than older ones. Each source
# is checked in the one build that owns it (see scripts/style.sh); the tests of
# each build run this too.
#   tidy.sh BUILD_DIR PATTERN [FIXES_YAML]  (with FIXES_YAML: export the fixes
#                                            there instead of failing)
set -euo pipefail
cd "$(dirname "$0")/.."
# Batch work, as the checks lane is: the desktop tests beside it come first.
renice 5 -p $$ >/dev/null

build=${1:?build directory} pattern=${2:?path pattern} fixes=${3:-}
jobs=${SONALIX_JOBS:-2}
# The build's compile commands as clang reads them (scripts/tidy_database.py).
database=$build/tidy
python3 scripts/tidy_database.py "$build" "$pattern" "$database" > "$database.files"
mapfile -t files < "$database.files"

echo "--- clang-tidy ($build: ${#files[@]} files)"
status=0
run-clang-tidy-22 -clang-tidy-binary clang-tidy-22 -quiet -j "$jobs" -p "$database" ${fixes:+-export-fixes "$fixes"} "${files[@]}" \
  > "$build/clang-tidy.log" 2>&1 || status=$?
if [ "$status" -ne 0 ] && [ -z "$fixes" ]; then
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E '(warning|error):' | sort -u || true
  echo "tidy.sh: clang-tidy findings; the whole report is in $build/clang-tidy.log" >&2
  exit "$status"
fi
