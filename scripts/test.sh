#!/usr/bin/env bash
# Builds the project with warnings as errors and runs every test.
#   scripts/test.sh [BUILD_DIR]      (ETH_IF_PLCY_SANITIZE=ON for ASan+UBSan)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DETH_IF_PLCY_WERROR=ON \
  -DETH_IF_PLCY_SANITIZE="${ETH_IF_PLCY_SANITIZE:-OFF}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
