#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The library on a machine that has only CMake and a C++20 compiler: with
# GoogleTest, Google Benchmark, jansson, Doxygen, Python's
# development files and pkg-config really absent (scripts/without.sh),
# `cmake -S . -B build` with no options configures, skipping each missing part
# in one status line, and the library builds. The build then installs into a
# fresh prefix, where outside programs use its headers, .pc file and CMake
# package.   scripts/check_library_only.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-libonly}
rm -rf "$build"
hide=(libgtest-dev libgmock-dev googletest libbenchmark-dev libjansson-dev doxygen
      python3-dev python3.11-dev libpython3.11-dev pkgconf pkgconf-bin pkg-config)
"$root/scripts/without.sh" "${hide[@]}" -- sh -c \
  'cmake -S "$1" -B "$2" -G Ninja | grep "not found: skipped" && cmake --build "$2" >/dev/null' sh "$root" "$build"
test ! -e "$build/tools/ethplcy/ethplcy"
"$root/tests/install/check_install.sh" "$build"
echo "library-only build ok"
