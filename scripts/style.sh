#!/bin/bash
# Checks the house style of every C++ file: the names and bug-prone or dated
# constructs (clang-tidy), each source in the one build that owns it (the
# portable code as the host compiles it, the fuzz targets, the native Linux
# code, the Windows code as mingw compiles it), then the layout (clang-format).
# The tests of each build run the same checks; this runs them all at once.
# `style.sh --fix` rewrites the files instead of failing.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=
[ "${1:-}" = --fix ] && fix=1
fixes=build/style-fixes
rm -rf "$fixes"
mkdir -p "$fixes"

# Which sources each build owns.
owned=(
  "host ."
  "fuzz ^tests/fuzz/"
  "linux (^|/)linux/|^about/[^/]+[.]cpp$|^main/sonalix[.]cpp$|^tests/forms/"
  "win32 (^|/)win32/|^tests/e2e/"
)
status=0
for entry in "${owned[@]}"; do
  read -r preset pattern <<<"$entry"
  cmake --preset "$preset" >/dev/null
  # Sources that include headers generated from the form descriptions.
  cmake --build --preset "$preset" --target embedded_texts >/dev/null
  # Fixes are gathered from every build first and applied together, since a
  # name renamed in a shared header must be renamed in every build's users.
  scripts/tidy.sh "build/$preset" "$pattern" ${fix:+"$fixes/$preset.yaml"} || status=$?
done
if [ -n "$fix" ]; then
  clang-apply-replacements-22 "$fixes"
  # Last, so that it also lays out what the fixes changed.
  scripts/format.sh --fix
  exit 0
fi
scripts/format.sh || status=$?
[ "$status" -eq 0 ] && echo "style.sh: clean"
exit "$status"
