#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the project with warnings as errors and runs every test.
#   scripts/test.sh [BUILD_DIR]      (ETH_IF_PLCY_SANITIZE=ON for ASan+UBSan;
#                                     CC=clang CXX=clang++ for clang;
#                                     CMAKE_BUILD_TYPE=Release for -O3;
#                                     ETH_IF_PLCY_SERVE=OFF without ethplcy-serve)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
if [ "${CXX:-}" = clang++ ]; then "$root/scripts/deps.sh" clang; fi
extra=()
# Under the sanitizers the benchmarks and the API reference add nothing.
[ "${ETH_IF_PLCY_SANITIZE:-OFF}" = OFF ] || extra=(-DETH_IF_PLCY_BUILD_BENCH=OFF -DETH_IF_PLCY_BUILD_DOCS=OFF)
cmake -S "$root" -B "$build" -G Ninja -DETH_IF_PLCY_WERROR=ON -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" \
  -DETH_IF_PLCY_SANITIZE="${ETH_IF_PLCY_SANITIZE:-OFF}" -DETH_IF_PLCY_SERVE="${ETH_IF_PLCY_SERVE:-AUTO}" \
  "${extra[@]}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
