#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# A library-only build as a platform makes it: jansson, GoogleTest, Google
# Benchmark and Doxygen hidden from CMake, BUILD_TESTING off; it configures,
# builds and installs the library alone.   scripts/check_library_only.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-libonly}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
rm -rf "$build"
PKG_CONFIG_LIBDIR= cmake -S "$root" -B "$build" -G Ninja -DBUILD_TESTING=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_Doxygen=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON
cmake --build "$build"
cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/include/eth_if_plcy/ether_interface_policy_api.h"
ls "$prefix"/lib*/libeth_if_plcy.so.0 >/dev/null
test ! -e "$prefix/bin/ethplcy"
echo "library-only build ok"
