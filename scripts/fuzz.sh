#!/bin/bash
# Builds the libFuzzer targets (preset "fuzz") and runs them one after the
# other for SECONDS each (default 300), seeded with the real form
# descriptions, skins and settings values. The corpus grows in build/fuzz/corpus.
# Fails with the status of the first target that finds a crash, a hang or a
# sanitizer report; the input that did it is left beside the corpus.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
jobs=${SONALIX_JOBS:-2}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

bin=build/fuzz/tests/fuzz
work=build/fuzz/corpus
descriptions="main/TSNX_MAIN.dfm about/TSNX_ABOUT.dfm"
# target, longest input, seeds
targets=(
  "ini_integer_fuzz 64 tests/fuzz/seeds/ini"
  "form_description_fuzz 65536 $descriptions"
  "form_reader_fuzz 65536 $descriptions"
  "bitmap_fuzz 32768 DATA/MAIN.BMP DATA/PARTS.BMP"
)
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

for entry in "${targets[@]}"; do
  read -r target max_len seeds <<<"$entry"
  corpus=$work/$target
  mkdir -p "$corpus"
  for seed in $seeds; do
    if [ -d "$seed" ]; then cp "$seed"/* "$corpus"/; else cp "$seed" "$corpus"/; fi
  done
  echo "=== $target: $seconds s ==="
  status=0
  "$bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/$target-" "$corpus" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "fuzz.sh: $target failed with status $status" >&2
    exit "$status"
  fi
done
