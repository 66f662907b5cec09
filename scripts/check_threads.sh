#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The thread tests under ThreadSanitizer.   scripts/check_threads.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-tsan}
cmake -S "$root" -B "$build" -G Ninja -DETH_IF_PLCY_TSAN=ON -DETH_IF_PLCY_WERROR=ON >/dev/null
cmake --build "$build" --target eth_if_plcy_thread_tests
"$build/tests/eth_if_plcy_thread_tests"
