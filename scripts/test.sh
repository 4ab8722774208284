#!/usr/bin/env bash
# Builds and runs every test: the C++ tests and the Python tests (g++ build), then the C++ tests again
# built with clang under AddressSanitizer and UndefinedBehaviorSanitizer, together with a short run of
# every fuzz target from its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

status=0
echo "== C++ tests"
ctest --test-dir build --output-on-failure -j"$(nproc)" || status=1

echo "== Python tests"
PYTHONPATH="$PWD/build/python" /usr/bin/python3 -m pytest -q tests/python || status=1

echo "== C++ tests and fuzz targets built with clang, under ASan and UBSan"
bash scripts/build-clang.sh
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-16 \
  ctest --test-dir build-clang --output-on-failure -j"$(nproc)" || status=1

exit $status
