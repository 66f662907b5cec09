#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Cross-host vectors: external records (NN.json), the network images that an
# x86-64 host made of them by encode and hton (NN.net), and what decoding
# those bytes gives (NN.decoded.json). On any host, encode --net of each
# record must give exactly the bytes, and decode of the bytes the same record.
#   check_vectors.sh [EMULATOR...] PATH_TO_ETHPLCY
set -uo pipefail
tool=("$@")
here=$(cd "$(dirname "$0")" && pwd)
passed=0 failed=0
for json in "$here"/[0-9][0-9].json; do
  n=${json%.json}
  want=$(cat "$n.net")
  got=$("${tool[@]}" encode --no-check --net "$(cat "$json")")
  if [ "$got" = "$want" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: encode of $(basename "$json")"; fi
  if diff -u "$n.decoded.json" <("${tool[@]}" show --net --json "$want") >/dev/null; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); echo "FAIL: decode of $(basename "$n").net"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
