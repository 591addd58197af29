#!/bin/bash
# The layout of every C++ file of the tree (clang-format, .clang-format).
#   format.sh        fails on a file laid out otherwise
#   format.sh --fix  lays them out
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "--- clang-format (${#sources[@]} files)"
if [ "${1:-}" = --fix ]; then
  clang-format -i "${sources[@]}"
else
  clang-format --dry-run --Werror "${sources[@]}"
fi
