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
# ethplcy-serve, where gRPC++ is there: four STREAM subscribers while records
# arrive, then SIGTERM. Debian's gRPC and protobuf are not built with TSan:
# scripts/serve_tsan.supp names the reports inside them that it cannot follow.
if cmake --build "$build" --target help | grep -q '^ethplcy-serve:'; then
  cmake --build "$build" --target ethplcy-serve ethplcy_serve_python
  TSAN_OPTIONS="suppressions=$root/scripts/serve_tsan.supp ignore_noninstrumented_modules=1 halt_on_error=1 exitcode=66" \
    /usr/bin/python3 "$root/scripts/serve_session.py" "$build/tools/serve/python" 4 \
    "$build/tools/ethplcy/ethplcy-serve"
else
  echo "ethplcy-serve not built here (no gRPC++): not run under TSan"
fi
