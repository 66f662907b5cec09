#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the tool (and only what it links) and runs `ethplcy demo`: one
# policy through its life.   scripts/demo.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
say() { echo "demo: $*" >&2; }
say "checking the build tools (cmake, ninja, g++, jansson; apt-get installs what is missing)"
"$root/scripts/deps.sh" cmake ninja-build g++ pkgconf libjansson-dev
say "configuring in $build"
cmake -S "$root" -B "$build" -G Ninja -DETH_IF_PLCY_BUILD_TOOL=ON >/dev/null
say "building the library and ethplcy (a minute or two the first time)"
cmake --build "$build" --target ethplcy >/dev/null
say "running $build/tools/ethplcy/ethplcy demo"
"$build/tools/ethplcy/ethplcy" demo
