#!/usr/bin/env bash
# Builds every CMake build type (Debug, Release, RelWithDebInfo, MinSizeRel) with g++ and clang 16 into
# build-types/, warnings as errors, so that no optimisation level's warnings break a user's build.
# Takes a while; pass build types or compilers to narrow it (scripts/build-types.sh Release clang).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
types=() compilers=()
for arg in "$@"; do
  case "$arg" in
    gcc|clang) compilers+=("$arg") ;;
    *) types+=("$arg") ;;
  esac
done
((${#types[@]})) || types=(Debug Release RelWithDebInfo MinSizeRel)
((${#compilers[@]})) || compilers=(gcc clang)
for compiler in "${compilers[@]}"; do
  if [ "$compiler" = gcc ]; then cc=gcc cxx=g++; else cc=clang-16 cxx=clang++-16; fi
  for type in "${types[@]}"; do
    dir="build-types/$compiler-$type"
    echo "== $compiler $type"
    CC=$cc CXX=$cxx cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
      -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
    cmake --build "$dir" -j"${JOBS:-$(nproc)}"
  done
done
