#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The library, its stand-ins, the tool and the tests on s390x (big-endian):
# cross-compiled with Debian's s390x toolchain, run under qemu-user, then the
# cross-host vectors both ways (s390x reads what x86-64 made, x86-64 reads
# what s390x makes).   scripts/s390x.sh [BUILD_DIR] [HOST_BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-s390x}
host_build=${2:-$root/build}
"$root/scripts/deps.sh"
need=()
for p in g++-s390x-linux-gnu qemu-user googletest; do dpkg -s "$p" >/dev/null 2>&1 || need+=("$p"); done
dpkg --print-foreign-architectures | grep -qx s390x || { dpkg --add-architecture s390x; need+=(libjansson-dev:s390x); }
dpkg -s libjansson-dev:s390x >/dev/null 2>&1 || need+=(libjansson-dev:s390x)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/s390x-linux-gnu.cmake" \
  -DETH_IF_PLCY_GTEST_SOURCE=/usr/src/googletest -DETH_IF_PLCY_WERROR=ON >/dev/null
cmake --build "$build"
# Death tests are left out: qemu-user does not hand a dying child's stderr back.
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -E Death

# The other way round: what s390x encodes, x86-64 reads after ntoh.
[ -x "$host_build/tools/ethplcy/ethplcy" ] || {
  cmake -S "$root" -B "$host_build" -G Ninja >/dev/null
  cmake --build "$host_build" --target ethplcy >/dev/null
}
status=0
for json in "$root"/tests/vectors/[0-9][0-9].json; do
  n=${json%.json}
  made=$(qemu-s390x "$build/tools/ethplcy/ethplcy" encode --no-check --net "$(cat "$json")")
  if ! diff -q "$n.decoded.json" <("$host_build/tools/ethplcy/ethplcy" show --net --json "$made") >/dev/null; then
    echo "FAIL: x86-64 reads $(basename "$n") as s390x made it differently"
    status=1
  fi
done
if [ $status -eq 0 ]; then echo "cross-host vectors: x86-64 reads every record s390x made"; fi
exit $status
