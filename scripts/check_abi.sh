#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Compares the built library's ABI with the committed baseline (libabigail):
# fails on an incompatible change and on any addition not yet in the baseline.
#   scripts/check_abi.sh BUILD_DIR            check
#   scripts/check_abi.sh --update BUILD_DIR   rewrite abi/libeth_if_plcy.abi
# A deliberate change: additions bump the minor release, incompatible changes
# the SONAME (ETH_IF_PLCY_SOVERSION); then refresh the baseline.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
build=${1:-$root/build}
baseline=$root/abi/libeth_if_plcy.abi
headers=$root/l2protocols/ethernet/infra/common/include
command -v abidiff >/dev/null || {
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq abigail-tools >/dev/null
}
lib=$(find "$build/l2protocols/ethernet/infra/common" -maxdepth 1 -name 'libeth_if_plcy.so.*.*.*' | head -n 1)
[ -n "$lib" ] || { echo "no shared libeth_if_plcy in $build"; exit 1; }
if [ $update -eq 1 ]; then
  abidw --no-corpus-path --no-show-locs --drop-undefined-syms --headers-dir "$headers" \
    --out-file "$baseline" "$lib"
  echo "ABI baseline written: $baseline"
  exit 0
fi
if abidiff --no-show-locs --headers-dir2 "$headers" "$baseline" "$lib"; then
  echo "ABI unchanged"
  exit 0
fi
echo "The ABI differs from abi/libeth_if_plcy.abi. If the change is deliberate, run:"
echo "  scripts/check_abi.sh --update $build"
exit 1
