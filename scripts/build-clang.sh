#!/usr/bin/env bash
# Configures and builds build-clang/: the C++ library, its tests and the libFuzzer targets with clang 16
# under AddressSanitizer and UndefinedBehaviorSanitizer (no Python module, no benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
CC=clang-16 CXX=clang++-16 cmake -S . -B build-clang -G Ninja -DNORVI_SANITIZE=ON -DNORVI_FUZZ=ON \
  -DNORVI_BUILD_PYTHON=OFF -DNORVI_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build build-clang -j"$(nproc)"
