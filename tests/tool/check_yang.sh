#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The YANG module against libyang's yanglint: the module parses with no
# warning; every corpus record (every STRIDE-th) the tool shows as RFC 7951
# instance data is valid data of it, and encode reads that back to the bytes the policy JSON
# gives; a record refused is refused for the module's class rules; data that
# breaks a rule fails. Without yanglint the test fails.
#   check_yang.sh ETHPLCY SOURCE_DIR [STRIDE]   (STRIDE: 1, or more under sanitizers)
set -euo pipefail
tool=$1
src=$2
stride=${3:-1}
command -v yanglint >/dev/null || { echo "yanglint not found (libyang-tools)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" yang -o "$work/eth-if-plcy.yang"
warnings=$(yanglint "$work/eth-if-plcy.yang" 2>&1)
[ -z "$warnings" ] || { echo "yanglint on the module: $warnings"; exit 1; }
shown=0 refused=0 n=0
for f in "$src"/fuzz/corpus/*/*; do
  n=$((n + 1))
  [ $((n % stride)) -eq 0 ] || continue
  if ! "$tool" show --yang --binary "$f" >"$work/d.json" 2>"$work/err"; then
    if grep -q "class rules" "$work/err"; then refused=$((refused + 1)); fi
    continue
  fi
  yanglint "$work/eth-if-plcy.yang" "$work/d.json" || { echo "invalid data: $f"; exit 1; }
  a=$("$tool" encode --no-check "$work/d.json" 2>&1 || true)
  b=$("$tool" show --json --binary "$f" | "$tool" encode --no-check - 2>&1 || true)
  [ "$a" = "$b" ] || { echo "encode of the RFC 7951 data differs: $f"; exit 1; }
  shown=$((shown + 1))
done
[ "$shown" -gt $((50 / stride)) ] && { [ "$refused" -gt 0 ] || [ "$stride" -gt 1 ]; } ||
  { echo "shown $shown, refused $refused"; exit 1; }
# Each rule the module states, broken once: yanglint refuses the data.
for bad in '{"ether_if_type": 1, "sub": {"parent": "0x00000001"}}' \
           '{"ether_if_type": 3, "trunk": {"native_vlan": 5, "native_is_svlan": 0}}' \
           '{"sub": {"parent": "0x1"}, "trunk": {"native_vlan": 5, "native_is_svlan": 0}}' \
           '{"efp": {"configured": 0, "num_tag_pops": 1}}' \
           '{"mtu": 65536}' '{"efp": {"configured": 1, "tag": [{"vlan": 3}]}}' \
           '{"ether_if_type": "ether", "sub": {"parent": "0x00000001"}}' \
           '{"ether_if_type": "ether.l2sub", "trunk": {"native_vlan": 5, "native_is_svlan": 0}}' \
           '{"ether_if_type": "ether.l2sbu"}' \
           '{"efp": {"configured": 1, "tag": [{"ethertype": "0x8100", "vlan": "range"}], "ranges": [{"low": 30, "high": 20}]}}'; do
  echo "{\"eth-if-plcy:policy\": $bad}" >"$work/bad.json"
  if yanglint "$work/eth-if-plcy.yang" "$work/bad.json" 2>/dev/null; then
    echo "yanglint took $bad"; exit 1
  fi
done
# A record whose range runs backwards (encode takes it unchecked) is not shown as data.
backwards=$("$tool" encode --no-check '{"efp": {"configured": 1, "tag": [{"ethertype": "0x8100", "vlan": "range"}], "ranges": [{"low": 30, "high": 20}]}}')
if "$tool" show --yang "$backwards" >/dev/null 2>"$work/err" ||
  ! grep -qF 'efp.ranges[0]: {"low":30,"high":20} has its low above its high' "$work/err"; then
  echo "show --yang of a backwards range: $(cat "$work/err")"; exit 1
fi
# An interface type by name is valid data, and encode reads it as its number.
named='{"eth-if-plcy:policy": {"ether_if_type": "ether.l2sub", "sub": {"parent": "0x00000001"}}}'
echo "$named" >"$work/named.json"
yanglint "$work/eth-if-plcy.yang" "$work/named.json"
[ "$("$tool" encode "$named")" = "$("$tool" encode '{"ether_if_type": 3, "sub": {"parent": 1}}')" ] ||
  { echo "encode reads ether.l2sub in instance data otherwise than 3"; exit 1; }
echo "yang: module clean; $shown records valid and read back; $refused refused by class rules"
