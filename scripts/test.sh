#!/usr/bin/env bash
# Builds and runs every test: the C++ tests, the Python tests, the C++ tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and once more built with clang (same sanitizers)
# together with a short run of every fuzz target from its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

status=0
echo "== C++ tests"
ctest --test-dir build --output-on-failure -j"$(nproc)" || status=1

echo "== Python tests"
PYTHONPATH="$PWD/build/python" /usr/bin/python3 -m pytest -q tests/python || status=1

echo "== C++ tests under ASan and UBSan"
cmake -S . -B build-sanitize -G Ninja -DNORVI_SANITIZE=ON -DNORVI_BUILD_PYTHON=OFF -DNORVI_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build build-sanitize -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" || status=1

echo "== C++ tests and fuzz targets built with clang, under ASan and UBSan"
bash scripts/build-clang.sh
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-16 \
  ctest --test-dir build-clang --output-on-failure -j"$(nproc)" || status=1

exit $status
