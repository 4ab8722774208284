#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/ (the importable Python tree is build/python).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build build -j"$(nproc)"
