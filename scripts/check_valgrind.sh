#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The unit tests under valgrind's memcheck (death tests left out: their child
# processes abort on purpose).   scripts/check_valgrind.sh BUILD_DIR
set -euo pipefail
build=$1
command -v valgrind >/dev/null || { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq valgrind >/dev/null; }
valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
  "$build/tests/eth_if_plcy_tests" --gtest_filter='-*Death*' --gtest_brief=1
# ethplcy-serve, where it is built: a short session (Capabilities, two STREAM
# subscribers while records arrive, a Get, SIGTERM), no error, no definite leak.
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -x "$build/tools/ethplcy/ethplcy-serve" ] && [ -d "$build/tools/serve/python" ]; then
  /usr/bin/python3 "$root/scripts/serve_session.py" "$build/tools/serve/python" 2 \
    valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    "$build/tools/ethplcy/ethplcy-serve"
fi
