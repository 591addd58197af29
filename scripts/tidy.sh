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

build=${1:?build directory} pattern=${2:?path pattern} fixes=${3:-}
jobs=${SONALIX_JOBS:-2}
mapfile -t files < <(python3 - "$build/compile_commands.json" "$pattern" <<'PY'
import json, os, re, sys
root = os.getcwd() + "/"
wanted = re.compile(sys.argv[2])
own = sorted({os.path.relpath(e["file"], root) for e in json.load(open(sys.argv[1]))
              if e["file"].startswith(root) and not e["file"].startswith(root + "build/")})
print("\n".join(f for f in own if f.endswith(".cpp") and wanted.search(f)))
PY
)

# A mingw build: its C++ library headers, which clang does not find on its own.
extra=()
compiler=$(python3 -c 'import json, shlex, sys; print(shlex.split(json.load(open(sys.argv[1]))[0]["command"])[0])' \
  "$build/compile_commands.json")
if [[ $compiler == *-w64-mingw32-* ]]; then
  mapfile -t extra < <(echo | "$compiler" -x c++ -E -v - 2>&1 |
    sed -n '/#include <...> search starts here:/,/End of search list./p' | grep '/include/c++' |
    sed 's/^ */-extra-arg=-isystem/')
fi

echo "--- clang-tidy ($build: ${#files[@]} files)"
status=0
run-clang-tidy-22 -clang-tidy-binary clang-tidy-22 -quiet -j "$jobs" -p "$build" ${fixes:+-export-fixes "$fixes"} "${extra[@]}" "${files[@]}" \
  > "$build/clang-tidy.log" 2>&1 || status=$?
if [ "$status" -ne 0 ] && [ -z "$fixes" ]; then
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E '(warning|error):' | sort -u || true
  echo "tidy.sh: clang-tidy findings; the whole report is in $build/clang-tidy.log" >&2
  exit "$status"
fi
