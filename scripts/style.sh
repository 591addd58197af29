#!/bin/bash
# Checks the house style of every C++ file: the layout (clang-format) and the
# names and bug-prone or dated constructs (clang-tidy), for the portable code
# as the host compiles it, for the native Linux code and for the Windows code
# as mingw compiles it.
# `style.sh --fix` rewrites the files instead of failing.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=
[ "${1:-}" = --fix ] && fix=1
jobs=${SONALIX_JOBS:-2}
fixes=build/style-fixes
rm -rf "$fixes"
mkdir -p "$fixes"

# tidy PRESET DIRS_REGEX [EXTRA_ARG...]: the project's own sources of that
# build whose path matches DIRS_REGEX.
tidy() {
  local preset=$1 dirs=$2
  shift 2
  cmake --preset "$preset" >/dev/null
  local build=build/$preset files
  mapfile -t files < <(python3 - "$build/compile_commands.json" "$dirs" <<'PY'
import json, os, re, sys
root = os.getcwd() + "/"
wanted = re.compile(sys.argv[2])
own = sorted({os.path.relpath(e["file"], root) for e in json.load(open(sys.argv[1]))
              if e["file"].startswith(root) and not e["file"].startswith(root + "build/")})
print("\n".join(f for f in own if f.endswith(".cpp") and wanted.search(f)))
PY
  )
  echo "--- clang-tidy ($preset: ${#files[@]} files)"
  # Fixes are gathered from every build first and applied together, since a
  # name renamed in a shared header must be renamed in every build's users.
  if ! run-clang-tidy -quiet -j "$jobs" -p "$build" ${fix:+-export-fixes "$fixes/$preset.yaml"} "$@" "${files[@]}" \
      > "$build/clang-tidy.log" 2>&1 && [ -z "$fix" ]; then
    sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E '(warning|error):' | sort -u
    echo "style.sh: clang-tidy findings; the whole report is in $build/clang-tidy.log" >&2
    return 1
  fi
}

# mingw's C++ library headers, which clang does not find on its own.
mingw_includes() {
  echo | i686-w64-mingw32-g++ -x c++ -E -v - 2>&1 |
    sed -n '/#include <...> search starts here:/,/End of search list./p' | grep '/include/c++' |
    sed 's/^ */-extra-arg=-isystem/'
}

tidy host '.'
tidy fuzz '^tests/fuzz/'
# The native sources include headers generated from the form descriptions.
cmake --preset linux >/dev/null
cmake --build --preset linux --target embedded_texts >/dev/null
tidy linux '(^|/)linux/'
mapfile -t includes < <(mingw_includes)
tidy win32 '(^|/)win32/|^tests/e2e/' "${includes[@]}"
[ -z "$fix" ] || clang-apply-replacements "$fixes"

# Last, so that it also lays out what the fixes changed.
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "--- clang-format (${#sources[@]} files)"
if [ -n "$fix" ]; then
  clang-format -i "${sources[@]}"
else
  clang-format --dry-run --Werror "${sources[@]}"
fi
echo "style.sh: clean"
