#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# End-to-end tests of ethplcy: known records in every layout against expected
# texts, JSON round trips, network images, diff exit codes and bad inputs.
#   run_tool_tests.sh [EMULATOR...] PATH_TO_ETHPLCY
# Host images come from encode on this host; the committed network images
# (*.net.hex) are the same on every host.
set -uo pipefail
tool=("$@")
here=$(cd "$(dirname "$0")" && pwd)
passed=0 failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }

# expect_output NAME EXPECTED_FILE COMMAND...
expect_output() {
  local name=$1 want=$2
  shift 2
  if diff -u "$want" <("$@" 2>&1) >/tmp/ethplcy_diff.$$; then ok; else bad "$name"; cat /tmp/ethplcy_diff.$$; fi
}

# expect_status NAME STATUS STDERR_TEXT COMMAND...
expect_status() {
  local name=$1 status=$2 message=$3
  shift 3
  local err
  err=$("$@" 2>&1 >/dev/null)
  local got=$?
  if [ "$got" -eq "$status" ] && [ "$err" = "$message" ]; then ok; else
    bad "$name: status $got, stderr '$err' (want $status, '$message')"; fi
}

run_tool() { "${tool[@]}" "$@"; }

for rec in sub trunk; do
  hex=$("${tool[@]}" encode "$(cat "$here/$rec.json")")
  [ "$("${tool[@]}" encode --net "$(cat "$here/$rec.json")")" = "$(cat "$here/$rec.net.hex")" ] \
    && ok || bad "$rec network image differs from the committed one"
  expect_output "$rec full" "$here/expected/$rec.full.txt" "${tool[@]}" show "$hex"
  expect_output "$rec compact" "$here/expected/$rec.compact.txt" "${tool[@]}" show --layout compact "$hex"
  expect_output "$rec brief" "$here/expected/$rec.brief.txt" "${tool[@]}" show --layout brief "$hex"
  expect_output "$rec ext" "$here/expected/$rec.ext.txt" "${tool[@]}" show --ext "$hex"
  expect_output "$rec ext compact" "$here/expected/$rec.ext_compact.txt" "${tool[@]}" show --ext --compact "$hex"
  # The annotated dump shows host bytes: its expected text is a little-endian host's.
  if [ "${hex:4:2}" != "00" ]; then
    expect_output "$rec hexdump" "$here/expected/$rec.hexdump.txt" "${tool[@]}" show --hexdump "$hex"
  fi

  # JSON: encode -> show --json -> encode.
  again=$("${tool[@]}" show --json "$hex" | "${tool[@]}" encode)
  [ "$again" = "$hex" ] && ok || bad "$rec json round trip"

  # Network images: encode --net, show --net, and stdin / --binary input.
  net=$("${tool[@]}" encode --net "$(cat "$here/$rec.json")")
  # On a little-endian host the two images differ; on a big-endian one they are the same bytes.
  if [ "${hex:4:2}" != "00" ]; then
    [ "$net" != "$hex" ] && ok || bad "$rec network image equals host image"
  else
    [ "$net" = "$hex" ] && ok || bad "$rec network image differs from a big-endian host image"
  fi
  expect_output "$rec --net" "$here/expected/$rec.full.txt" "${tool[@]}" show --net "$net"
  stdin_show() { echo "$hex" | xxd -r -p | xxd -p | run_tool show --layout compact -; }
  expect_output "$rec stdin xxd" "$here/expected/$rec.compact.txt" stdin_show
  bin=$(mktemp)
  "${tool[@]}" encode --net --binary "$bin" "$(cat "$here/$rec.json")"
  expect_output "$rec --binary --net" "$here/expected/$rec.brief.txt" \
    "${tool[@]}" show --net --layout brief --binary "$bin"
  rm -f "$bin"
done

sub=$("${tool[@]}" encode "$(cat "$here/sub.json")")
trunk=$("${tool[@]}" encode "$(cat "$here/trunk.json")")
expect_status "diff equal" 0 "" "${tool[@]}" diff "$sub" "$sub"
[ "$("${tool[@]}" diff "$sub" "$trunk" | tr '\n' ' ')" = "ETHER_IF_TYPE PROVISION L2PT PARENT EFP MATCH EFP REWRITE ADMIN_STATE NATIVE_VLAN QINQ_ETYPE MAC_ACC FILTERING EFP FILTERING SRC BYPASS FILTER ICL MODE MTU VLAN SWITCHED " ] \
  && ok || bad "diff names"
expect_status "diff differ" 1 "" "${tool[@]}" diff "$sub" "$trunk"
expect_status "diff one-sided" 1 "" "${tool[@]}" diff --one-sided "$sub" "$trunk"
"${tool[@]}" demo | grep -q "^10\. Free everything" && ok || bad "demo"
"${tool[@]}" --version | grep -q "^ethplcy [0-9]" && ok || bad "version"

# Bad inputs: exit 2 and one line naming what is wrong.
short=${sub:0:140}
v1="01${sub:2}"
badbase=${sub:0:112}c0${sub:114}
unterminated=${sub:0:248}00
expect_status "odd digits" 2 "ethplcy: odd number of hex digits (5)" "${tool[@]}" show 00112
expect_status "non-hex" 2 "ethplcy: 'z' at position 4 is not a hex digit" "${tool[@]}" show 0011zz
expect_status "truncated" 2 "ethplcy: record is 5 bytes, shorter than its 8-byte header" "${tool[@]}" show 0x0000480000
expect_status "size mismatch" 2 "ethplcy: record is 70 bytes but its size field says 125" "${tool[@]}" show "$short"
expect_status "version 1" 2 "ethplcy: record fails its check at offset 0: version is not 0" "${tool[@]}" show "$v1"
expect_status "bad base type" 2 \
  "ethplcy: record fails its check at offset 56: EFP base has a range structure's base type" "${tool[@]}" show "$badbase"
expect_status "no terminator" 2 "ethplcy: record fails its check at offset 124: range entry runs past size" \
  "${tool[@]}" show "$unterminated"
expect_status "bad JSON" 2 "ethplcy: bad JSON at line 1, column 12: '}' expected near end of file" \
  "${tool[@]}" encode '{"mtu": 9000'
expect_status "unknown key" 2 'ethplcy: unknown field "efp.tagz" in JSON' "${tool[@]}" encode '{"efp": {"tagz": 1}}'
expect_status "out of range" 2 "ethplcy: ether_if_type 40 out of range" "${tool[@]}" encode '{"ether_if_type": 40}'
expect_status "mixed classes" 2 \
  "ethplcy: policy refused at sub.parent: sub.parent is set on a trunk-class ether_if_type" \
  "${tool[@]}" encode '{"ether_if_type": 1, "sub": {"parent": 1}}'
expect_status "internal VLAN code" 2 "ethplcy: policy refused at efp.tag[0].vlan: VLAN 4096 and 4097 are internal codes: write EFP_VLAN_ANY (0x2001) or EFP_VLAN_RANGE (0x2000)" \
  "${tool[@]}" encode '{"efp": {"configured": 1, "tag": [{"ethertype": 33024, "vlan": 4096}]}}'
expect_status "unchecked, encode refuses" 2 "ethplcy: encode refused the policy: policy cannot be represented" \
  "${tool[@]}" encode --no-check '{"ether_if_type": 1, "sub": {"parent": 1}}'
expect_status "unknown command" 2 'ethplcy: unknown command "frob" (try ethplcy --help)' "${tool[@]}" frob
dump=$("${tool[@]}" show --hexdump "$v1")
dump_status=$?
first_line="    0 $(echo "${v1:0:32}" | sed 's/../ &/g')"
[ $dump_status -eq 2 ] && [ "$(echo "$dump" | head -n 2)" = "check failed: record fails its check at offset 0: version is not 0
$first_line" ] && ok || bad "hexdump of a bad record"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
