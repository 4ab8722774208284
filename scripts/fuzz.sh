#!/usr/bin/env bash
# Runs every libFuzzer target for longer than the test run does: FUZZ_SECONDS each (default 300), from
# the committed seeds and a corpus kept in build-clang/fuzz-corpus/<target> between runs. Crashes are
# written to build-clang/fuzz-crashes/. Usage: scripts/fuzz.sh [target ...] (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-clang.sh

seconds="${FUZZ_SECONDS:-300}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in tests/fuzz/seeds/*/; do targets+=("$(basename "$seeds")"); done
fi

mkdir -p build-clang/fuzz-crashes
status=0
for target in "${targets[@]}"; do
  echo "== ${target}: ${seconds} s"
  mkdir -p "build-clang/fuzz-corpus/${target}"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-16 \
    "build-clang/tests/fuzz/${target}_fuzz" -max_total_time="${seconds}" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="build-clang/fuzz-crashes/${target}-" \
    "build-clang/fuzz-corpus/${target}" "tests/fuzz/seeds/${target}" || status=1
done
exit $status
