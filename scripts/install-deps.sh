#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo need.
# Idempotent; run as root on a fresh machine.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcurl4-openssl-dev libssl-dev libidn2-dev openssl ca-certificates
  rapidjson-dev libfmt-dev libabsl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dev python3-pytest python3-setuptools python3-venv python3-pip
  binutils
  clang-16 libclang-rt-16-dev llvm-16 libginac-dev
  python3-mpmath
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
