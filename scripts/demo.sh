#!/usr/bin/env bash
# Builds the library, starts the bundled local platform double and runs the demo against it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
PYTHONPATH="$PWD/build/python" /usr/bin/python3 scripts/demo.py
