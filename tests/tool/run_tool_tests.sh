#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# End-to-end tests of ethplcy: known records in every layout against expected
# texts, JSON both ways, network images, diff with values, and one table of
# refusals with their exact message and exit status.
#   run_tool_tests.sh [EMULATOR...] PATH_TO_ETHPLCY
# Host images come from encode on this host; the committed network images
# (*.net.hex) are the same on every host.
set -uo pipefail
tool=("$@")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
run() { "${tool[@]}" "$@"; }

# same NAME EXPECTED_FILE COMMAND...: the command's stdout and stderr are the file.
same() {
  local name=$1 want=$2
  shift 2
  if "$@" >"$work/out" 2>&1 && diff -u "$want" "$work/out"; then ok; else bad "$name"; fi
}

# expect NAME STATUS STDERR COMMAND...: exit status and the whole of stderr.
expect() {
  local name=$1 status=$2 message=$3
  shift 3
  "$@" >/dev/null 2>"$work/err"
  local got=$?
  if [ "$got" -eq "$status" ] && [ "$(cat "$work/err")" = "$message" ]; then ok; else
    bad "$name: status $got, stderr '$(cat "$work/err")' (want $status, '$message')"; fi
}

for rec in sub trunk; do
  json=$here/$rec.json
  hex=$(run encode "$json")
  [ "$(run encode --net "$json")" = "$(cat "$here/$rec.net.hex")" ] && ok || bad "$rec network image"
  same "$rec full" "$here/expected/$rec.full.txt" run show "$hex"
  same "$rec compact" "$here/expected/$rec.compact.txt" run show --layout compact "$hex"
  same "$rec brief" "$here/expected/$rec.brief.txt" run show --layout=brief -- "$hex"
  same "$rec ext" "$here/expected/$rec.ext.txt" run show --ext "$hex"
  same "$rec ext compact" "$here/expected/$rec.ext_compact.txt" run show --ext -c "$hex"
  # The annotated dump shows the bytes as given: the committed network image.
  same "$rec hexdump --net" "$here/expected/$rec.hexdump.txt" run show --hexdump --net "$here/$rec.net.hex"
  [ "$(run show --json "$hex" | run encode)" = "$hex" ] && ok || bad "$rec json round trip"
  # A policy JSON where a record is expected: the record encode makes of it.
  same "$rec show policy" "$here/expected/$rec.full.txt" run show "$json"
  same "$rec show policy stdin" "$here/expected/$rec.hexdump.txt" run show --net --hexdump - <"$json"
  # Files, standard input and raw bytes, one rule for every command.
  same "$rec --net file" "$here/expected/$rec.full.txt" run show --net "$here/$rec.net.hex"
  xxd -r -p "$here/$rec.net.hex" | xxd -p >"$work/xxd"
  same "$rec stdin xxd" "$here/expected/$rec.compact.txt" run show --net --layout compact - <"$work/xxd"
  run encode --net --binary -o "$work/bin" - <"$json"
  same "$rec --binary" "$here/expected/$rec.brief.txt" run show --net --layout brief --binary "$work/bin"
  same "$rec --binary stdin" "$here/expected/$rec.brief.txt" run show --net --layout brief --binary - <"$work/bin"
done

# The per-tag view's counts and lists, left out, come from efp.ranges: the same record.
ranges='{"ether_if_type": 3, "efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 5},
  {"ethertype": "dot1q", "vlan": "range"}], "ranges": [{"low": 10, "high": 20}]}}'
[ "$(run encode --tag-ranges "$ranges")" = "$(run encode "$ranges")" ] && ok || bad "per-tag ranges"

# JSON people write: hex strings and words give the bytes of the all-numbers twin.
words='{"ether_if_type": 3, "sub": {"parent": "0x04000340"}, "efp": {"configured": 1,
  "tag": [{"ethertype": "dot1ad", "vlan": 100}, {"ethertype": "0x8100", "vlan": "range"}],
  "tag_pcp": ["any", 5], "ranges": [{"low": 10, "high": "0x14"}], "payload_ethertype": "0x0800"},
  "l2pt": {"tovu": {"mode": "tunnel", "exp": 5}, "wimo": {"mode": "drop", "exp": null}}}'
numbers='{"valid_mask": 209, "ether_if_type": 3, "sub": {"parent": 67109696}, "efp": {"configured": 1,
  "num_tags": 2, "tag": [{"ethertype": 34984, "vlan": 100}, {"ethertype": 33024, "vlan": 8192}],
  "tag_pcp": [255, 5], "num_ranges": 1, "ranges": [{"low": 10, "high": 20}],
  "payload_ethertype": 2048}, "l2pt": [0, 91, 0, 0, 2]}'
[ "$(run encode "$words")" = "$(run encode "$numbers")" ] \
  && ok || bad "JSON with hex strings and words"

# diff: each changed field by its JSON path with both values; names only; JSON; exit status.
sub=$(run encode "$here/sub.json")
changed=$(sed -e 's/"mtu": 9000/"mtu": 1500/' -e 's/"vlan": 200/"vlan": 300/' "$here/sub.json" | run encode)
trunk=$(run encode "$here/trunk.json")
[ "$(run diff "$sub" "$changed")" = "efp.tag[0].vlan: 200 -> 300
mtu: 9000 -> 1500" ] && ok || bad "diff with values"
[ "$(run diff --json -c "$sub" "$changed")" = '{"efp.tag[0].vlan":{"old":200,"new":300},"mtu":{"old":9000,"new":1500}}' ] \
  && ok || bad "diff --json"
[ "$(run diff --names "$sub" "$trunk" | tr '\n' ' ')" = "ETHER_IF_TYPE PROVISION L2PT PARENT EFP MATCH EFP REWRITE ADMIN_STATE NATIVE_VLAN QINQ_ETYPE MAC_ACC FILTERING EFP FILTERING SRC BYPASS FILTER ICL MODE MTU VLAN SWITCHED " ] \
  && ok || bad "diff --names"
grep -qx "sub.parent: 0x0000abcd -> (absent)" <<<"$(run diff "$sub" "$trunk")" && ok || bad "diff of an absent group"
expect "diff equal" 0 "" run diff "$sub" "$sub"
expect "diff differ" 1 "" run diff --one-sided "$sub" "$trunk"
run demo | grep -q "^10\. Free everything" && ok || bad "demo"
run --version | grep -q "^ethplcy [0-9]" && ok || bad "version"
run --help | grep -q -- "--version" && ok || bad "--help lists --version"

# Refusals: exit status 2 and one line saying what is wrong.
v1="01${sub:2}"
badbase=${sub:0:112}c0${sub:114}
printf '\0\0\x48\0' >"$work/raw"
head -c 1100000 /dev/zero >"$work/big"
mkdir "$work/dir"
# The same refusals whichever JSON reader the tool uses (simdjson where built with it).
refusals=$(cat <<'EOF'
odd digits|"00112" is not a file (No such file or directory) and not hex: odd number of digits (5)|show 00112
non-hex|"0011zz" is not a file (No such file or directory) and not hex: "zz" at position 4|show 0011zz
mistyped file|"missing.hex" is not a file (No such file or directory) and not hex|show missing.hex
mistyped JSON file|"missing.json" is not a file (No such file or directory) and not JSON|encode missing.json
raw bytes as hex|standard input is not hex: "\x00\x00H\x00" at position 0 (raw bytes? use --binary)|show - <"$work/raw"
truncated|record is 5 bytes, shorter than its 8-byte header|show 0x0000480000
size mismatch|record is 70 bytes but its size field says 125|show "${sub:0:140}"
hex as binary|record is 251 bytes but its size field says 12336 (hex text? leave out --binary)|show --binary "$here/sub.net.hex"
hex as a binary stream|record 1 at offset 0: its size field says 12336, more than 176 (hex text? leave out --binary); skipped 251 bytes (offsets 0 to 250), to the end|show --stream --binary "$here/sub.net.hex"
misspelt type|ether_if_type: "ether.l2sbu" is not a number: write a whole number, a "0x..." string or a name such as "ether.l2sub"|encode '{"ether_if_type": "ether.l2sbu"}'
type out of range|ether_if_type: 22 is not an interface type: write 1-21 or a name such as "ether"|encode '{"ether_if_type": 22}'
words without json|--words goes with --json|show --words "$sub"
version 1|record fails its check at offset 0: version is not 0|show "$v1"
bad base type|record fails its check at offset 56: EFP base has a range structure's base type|show "$badbase"
folder|cannot read $work/dir: Is a directory|show --binary "$work/dir"
folder as a stream|cannot read $work/dir: Is a directory|show --stream "$work/dir"
quoted number|ether_if_type: "3" is not a number: write a whole number (no quotes) or a "0x..." string|encode '{"ether_if_type": "3"}'
field as written|trunk.native_is_svlan: 1 is a trunk field, but ether_if_type is of the sub-interface class|encode '{"ether_if_type": 3, "trunk": {"native_is_svlan": 1}}'
missing file|cannot open $work/none: No such file or directory (--binary reads a file or standard input)|show --binary "$work/none"
too big|standard input is larger than 1 MiB: not a record or a policy|show --binary - <"$work/big"
output nowhere|cannot open $work/none/x: No such file or directory|show -o "$work/none/x" "$sub"
stdin twice|standard input (-) can be read only once|diff - - <"$work/raw"
conflicting options|--json and --hexdump cannot go together|show --json --hexdump "$sub"
names and json|--names and --json cannot go together|diff --names --json "$sub" "$sub"
compact alone|--compact goes with --ext, --json or --yang|show -c "$sub"
flag with a value|--net takes no value|show --net=1 "$sub"
missing value|--output needs a value|encode --output
unknown option|unknown option --frob for show|show --frob "$sub"
unknown command|unknown command "frob" (try ethplcy --help)|frob
bad JSON|"{\"mtu\": 9000" is not a file (No such file or directory) and not JSON (line 1, column 12: '}' expected near end of file)|encode '{"mtu": 9000'
duplicate key|bad JSON at line 1, column 16: duplicate object key near '"mtu"'|encode - <<<'{"mtu": 1, "mtu": 2}'
unknown key|efp.tagz: no such field|encode '{"efp": {"tagz": 1}}'
out of range|mtu: 70000 is above 65535|encode '{"mtu": 70000}'
bad word|efp.tag[0].vlan: "all" is not a number: write a whole number, a "0x..." string, "any" or "range"|encode '{"efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": "all"}]}}'
key without its bit|ether_if_type: is given but valid_mask lacks ETHER_IF_TYPE (0x1)|encode '{"valid_mask": "0x40000", "mtu": 1500, "ether_if_type": 1}'
bit without its key|valid_mask: has ETHER_IF_TYPE (0x1) but no ether_if_type key|encode '{"valid_mask": 262145, "mtu": 1500}'
count against array|efp.num_tags: is 2 but efp.tag has 1 entries|encode '{"efp": {"configured": 1, "num_tags": 2, "tag": [{"ethertype": "dot1q", "vlan": 5}]}}'
unknown protocol|l2pt.foo: no such L2PT protocol (lyx, tovu, quz, jaxe, wimo)|encode '{"l2pt": {"foo": {}}}'
mixed classes|sub.parent: "0x00000001" is a sub-interface field, but ether_if_type is of the trunk class|encode '{"ether_if_type": 1, "sub": {"parent": 1}}'
internal VLAN code|efp.tag[0].vlan: 4096 is not a VLAN: write "any" or "range", or 0-4095|encode '{"efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 4096}]}}'
range entry|efp.ranges[1]: {"low":30,"high":20} has its low above its high|encode '{"ether_if_type": 3, "efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": "range"}], "ranges": [{"low": 1, "high": 2}, {"low": 30, "high": 20}]}}'
unchecked, encode refuses|encode refused the policy: policy cannot be represented|encode --no-check '{"ether_if_type": 1, "sub": {"parent": 1}}'
EFP without configured|efp.tag: is given, but efp.configured is not 1 (no other efp field counts without it)|encode '{"ether_if_type": 3, "efp": {"tag": [{"ethertype": "0x8100", "vlan": 100}]}}'
NUL in a key|bad JSON at line 1, column 16: NUL byte in object key not supported near '"mtu\u0000junk"'|encode - <<<'{"mtu\u0000junk": 5}'
NUL in a string|bad JSON at line 1, column 37: \u0000 is not allowed without JSON_ALLOW_NUL near '"0x1\u0000garbage"'|encode - <<<'{"sub": {"parent": "0x1\u0000garbage"}}'
loose MAC|mac_addr: " 1: 2: 3: 4: 5: 6" is not a MAC address: write it like "00:11:22:33:44:55"|encode '{"mac_addr": " 1: 2: 3: 4: 5: 6"}'
huge number|bad JSON at line 1, column 27: too big integer near '18446744073709551615'|encode - <<<'{"mtu":18446744073709551615}'
EOF
)
for reader in simdjson jansson; do
  while IFS='|' read -r name message args; do
    [ -n "$name" ] || continue
    message=${message//\$work/$work}
    # eval: the arguments' variables and redirections apply to this one command
    ETHPLCY_JSON_READER=$reader eval "expect \"\$name (\$reader)\" 2 \"ethplcy: \$message\" run $args"
  done <<<"$refusals"
done
# On a little-endian host a network image read as a host image has another size.
if [ "${sub:4:2}" != "00" ]; then
  expect "other byte order" 2 \
    "ethplcy: record is 125 bytes but its size field says 32000 (a network image? use --net)" \
    run show "$here/sub.net.hex"
fi
# Output that fails ends the run at once with one line (a stream included,
# usage included); a closed pipe ends it quietly, as it ends cat.
for i in $(seq 3000); do echo "{\"mtu\": $i}"; done >"$work/many.jsonl"
if [ -w /dev/full ]; then
  for args in "show $sub" "encode --stream $work/many.jsonl" "--help"; do
    expect "write error: $args" 2 "ethplcy: cannot write standard output: No space left on device" \
      sh -c '"$@" >/dev/full' sh "${tool[@]}" $args
  done
fi
for args in "encode --stream $work/many.jsonl" "show --stream --json $work/many.hex"; do
  run encode --stream "$work/many.jsonl" >"$work/many.hex"
  status=$(run $args 2>"$work/err" | head -c 1 >/dev/null; echo "${PIPESTATUS[0]}")
  [ "$status" = 141 ] && [ ! -s "$work/err" ] && ok || bad "closed pipe: $args: $status $(cat "$work/err")"
done
dump=$(run show --hexdump "$v1")
[ $? -eq 2 ] && [ "$(echo "$dump" | head -n 1)" = "check failed: record fails its check at offset 0: version is not 0" ] \
  && ok || bad "hexdump of a bad record"

# Streams: a dump of the corpus's records (those encode takes back), as hex
# lines, comes back byte for byte through JSON Lines, and as raw records.
python3 -c 'import sys; print("".join(open(f, "rb").read().hex() + "\n" for f in sys.argv[1:]), end="")' \
  "$here"/../../fuzz/corpus/record/* | run show --stream --json -c - 2>/dev/null |
  run encode --stream - >"$work/dump.hex" 2>/dev/null
records=$(wc -l <"$work/dump.hex")
run show --stream --json "$work/dump.hex" | run encode --stream - | cmp -s - "$work/dump.hex" \
  && ok || bad "dump through JSON Lines"
run encode --stream --net --binary <(run show --stream --json "$work/dump.hex") >"$work/dump.bin"
[ "$(run show --stream --net --binary --json "$work/dump.bin")" = "$(run show --stream --json "$work/dump.hex")" ] \
  && ok || bad "raw network dump"
# JSON of any shape: values pretty-printed one after another (jq .) and
# RFC 7464 sequences (each text after 0x1e, as jq --seq writes) encode to the same records; JSON Lines go
# into show, diff and stats as they are.
run show --stream --json "$work/dump.hex" >"$work/dump.jsonl"
jq . "$work/dump.jsonl" | run encode --stream - | cmp -s - "$work/dump.hex" && ok || bad "jq . into encode"
jq -c . "$work/dump.jsonl" | sed 's/^/\x1e/' | run encode --stream - | cmp -s - "$work/dump.hex" \
  && ok || bad "RFC 7464 into encode"
[ "$(run show --stream --layout=brief "$work/dump.jsonl" | grep -v '^#')" = \
  "$(run show --stream --layout=brief "$work/dump.hex" | grep -v '^#')" ] && ok || bad "JSON Lines into show"
expect "JSON Lines into diff" 0 "" run diff --stream "$work/dump.jsonl" "$work/dump.hex"
[ "$(run stats "$work/dump.jsonl")" = "$(run stats "$work/dump.hex")" ] && ok || bad "JSON Lines into stats"
out=$(printf '{"mtu": 1} 5 [1]\n{"mtu": 2' | run encode --stream - 2>&1 >/dev/null)
[ "$out" = 'ethplcy: record 2, line 1: "5" is not a JSON object (a policy is {...})
ethplcy: record 3, line 1: bad JSON: expected an object
ethplcy: record 4, line 2: the input ends inside this JSON value' ] && ok || bad "JSON values refused: $out"
out=$({ printf '{"x": "%s"}\n' "$(head -c 1100000 /dev/zero | tr '\0' a)"; echo '{"mtu": 2}'; } |
  run encode --stream - 2>&1 >/dev/null)
[ "$out" = 'ethplcy: record 1, line 1: the JSON value is longer than 1 MiB: not a policy' ] \
  && ok || bad "a JSON value past the cap: $out"
# A line of text past the cap is refused as it is read (memory stays bounded), the next line read.
out=$({ head -c 1100000 /dev/zero | tr '\0' a; echo; echo "$sub"; } |
  run show --stream --layout=brief - 2>&1 >/dev/null)
[ "$out" = 'ethplcy: record 1, line 1: the line is longer than 1 MiB: not a record' ] \
  && ok || bad "a line past the cap: $out"
# One bad hex line: reported with its place, the rest shown, exit 2.
{ head -n 2 "$work/dump.hex"; printf '# a comment\n\nzz00\n'; tail -n 1 "$work/dump.hex"; } >"$work/bad.hex"
out=$(run show --stream --layout=brief "$work/bad.hex" 2>"$work/err")
[ $? -eq 2 ] && [ "$(cat "$work/err")" = 'ethplcy: record 3, line 5: the record is not hex: "zz00" at position 0' ] \
  && [ "$(grep -c '^# record' <<<"$out")" = 3 ] && grep -q '^# record 4, line 6$' <<<"$out" && ok || bad "stream with a bad line"
# Past a few MiB a second thread renders: records and refusals keep their order.
awk 'NR == FNR { r[NR] = $0; n = NR; next } END {
  for (i = 1; i <= 60000; i++) print (i % 997 == 0 ? "zz" : r[i % n + 1]) }' "$work/dump.hex" /dev/null >"$work/big.hex"
[ "$(run show --stream --layout=brief "$work/big.hex" 2>&1 | grep -o '^\(# \|ethplcy: \)record [0-9]*' |
  awk '{ if ($NF != ++n) { print "record " $NF " at " n; exit } } END { print n }')" = 60000 ] \
  && ok || bad "records and refusals in order past a few MiB"
# A broken raw dump: garbage between records, a record with a broken size
# field, one that fails its check, the last one cut short. The walk passes
# over each with the bytes it skips and finds every record left whole.
net=$(run encode --stream --net "$work/dump.jsonl")
rec() { sed -n "${1}p" <<<"$net"; }
n=$(wc -l <<<"$net")
{
  rec 1; echo 0000000500ff; rec 2
  rec 3 | sed 's/^\(....\)..../\17fff/' # size field 32767
  rec 4; rec 5 | sed 's/^00/01/'          # version 1
  sed -n "6,$((n - 1))p" <<<"$net"; rec "$n" | cut -c1-40
} | tr -d '\n' | xxd -r -p >"$work/broken.bin"
{ rec 1; rec 2; rec 4; sed -n "6,$((n - 1))p" <<<"$net"; } >"$work/whole.hex"
run show --stream --net --binary --json "$work/broken.bin" >"$work/found.jsonl" 2>"$work/err"
[ $? -eq 2 ] && cmp -s "$work/found.jsonl" <(run show --stream --net --json "$work/whole.hex") \
  && [ "$(grep -c 'skipped' "$work/err")" = 4 ] \
  && grep -q "record 2 at offset $(($(rec 1 | wc -c) / 2)): its size field says 5, less than 72; skipped 6 bytes" "$work/err" \
  && grep -q "record 4 at offset [0-9]*: its size field says 32767, more than 176; skipped" "$work/err" \
  && ok || bad "broken dump resynchronised: $(cat "$work/err")"
stats=$(run stats --net --binary "$work/broken.bin")
grep -qx "records: $((n - 3))" <<<"$stats" && grep -qx "refused: 4" <<<"$stats" && grep -q '^skipped: [0-9]* bytes in 4 places$' <<<"$stats" \
  && ok || bad "stats of a broken dump: $stats"
# diff of dumps: in order, and by key with a record added and one removed.
expect "diff of equal dumps" 0 "" run diff --stream "$work/dump.hex" "$work/dump.hex"
printf '%s\n%s\n' "$sub" "$trunk" >"$work/a.hex"
printf '%s\n%s\n' "$trunk" "$changed" >"$work/b.hex"
# The trunks have no sub.parent: listed apart and counted, or compared in order.
out=$(run diff --stream --key sub.parent "$work/a.hex" "$work/b.hex")
[ $? -eq 1 ] && [ "$out" = '# no sub.parent: record 1, line 1 of B
# sub.parent "0x0000abcd": record 1, line 1 of A, record 2, line 2 of B
efp.tag[0].vlan: 200 -> 300
mtu: 9000 -> 1500
# no sub.parent: record 2, line 2 of A
# no sub.parent: 1 record of A, 1 of B, not compared' ] && ok || bad "diff --stream --key: $out"
[ "$(run diff --stream --key sub.parent,ether_if_type --unkeyed-in-order "$work/a.hex" "$work/b.hex" | sed -n '1p;$p')" = \
  '# sub.parent "0x0000abcd", ether_if_type 3: record 1, line 1 of A, record 2, line 2 of B
# no sub.parent,ether_if_type: 1 record of A, 1 of B, compared in order' ] && ok || bad "diff --key of two paths"
# By key with side A from a pipe: each record's key and place on both sides.
[ "$(printf '%s\n%s\n' "$trunk" "$sub" | run diff --stream --json --key sub.parent - <(echo "$changed"))" = \
  '{"key":"0x0000abcd","a":{"record":2,"line":2},"b":{"record":1,"line":1},"diff":{"efp.tag[0].vlan":{"old":200,"new":300},"mtu":{"old":9000,"new":1500}}}
{"a":{"record":1,"line":1},"only":"no key"}
{"no_key":{"a":1,"b":0}}' ] && ok || bad "diff --stream --json --key"
expect "mistyped key" 2 "ethplcy: mttu: no such field (--key takes a field's JSON path, such as sub.parent)" \
  run diff --stream --key mttu "$work/a.hex" "$work/b.hex"
[ "$(run diff --stream "$work/a.hex" "$work/b.hex" | grep -c '^# record')" = 2 ] && ok || bad "diff --stream in order"
# diff --gnmi: envelopes give each record its interface; a changed leaf, a
# list replaced whole, a sub-interface deleted, and the interface with it.
printf '{"name":"eth0","index":5,"record":"%s"}\n{"name":"eth1","index":1,"record":"%s"}\n' \
  "$sub" "$sub" >"$work/a.jsonl"
printf '{"name":"eth0","index":5,"record":"%s"}\n{"name":"eth1","index":1,"deleted":true}\n' \
  "$changed" >"$work/b.jsonl"
p='/interfaces/interface[name=eth0]/subinterfaces/subinterface[index=5]/eth-if-plcy-oc:policy'
out=$(run diff --gnmi-text "$work/a.jsonl" "$work/b.jsonl")
[ $? -eq 1 ] && [ "$out" = "m $p/config/mtu: 9000 -> 1500
m $p/state/mtu: 9000 -> 1500
m $p/config/efp/tag: [{\"ethertype\":\"0x88a8\",\"vlan\":200},{\"ethertype\":\"0x8100\",\"vlan\":\"range\"}] -> [{\"ethertype\":\"0x88a8\",\"vlan\":300},{\"ethertype\":\"0x8100\",\"vlan\":\"range\"}]
m $p/state/efp/tag: [{\"ethertype\":\"0x88a8\",\"vlan\":200},{\"ethertype\":\"0x8100\",\"vlan\":\"range\"}] -> [{\"ethertype\":\"0x88a8\",\"vlan\":300},{\"ethertype\":\"0x8100\",\"vlan\":\"range\"}]
- /interfaces/interface[name=eth1]" ] && ok || bad "diff --gnmi-text: $out"
[ "$(run diff --gnmi --timestamp 7 "$work/a.jsonl" "$work/b.jsonl" | sed -n '1p;4p')" = \
  '{"timestamp":"7","prefix":{"elem":[{"name":"interfaces"},{"name":"interface","key":{"name":"eth0"}},{"name":"subinterfaces"},{"name":"subinterface","key":{"index":"5"}}]},"update":[{"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},{"name":"config"},{"name":"mtu"}]},"val":{"uintVal":"1500"}},{"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},{"name":"state"},{"name":"mtu"}]},"val":{"uintVal":"1500"}}]}
{"timestamp":"7","prefix":{"elem":[{"name":"interfaces"},{"name":"interface","key":{"name":"eth1"}}]},"delete":[{}]}' ] \
  && ok || bad "diff --gnmi"
expect "diff --gnmi of a dump with itself" 0 "" run diff --gnmi "$work/a.jsonl" "$work/a.jsonl"
# Envelopes are records to diff --stream too; a deleted one is not.
expect "envelopes into diff --stream" 2 "ethplcy: record 2, line 2: /interfaces/interface[name=eth1]/subinterfaces/subinterface[index=1]: a deleted record (diff --gnmi reads it)" \
  run diff --stream "$work/a.jsonl" "$work/b.jsonl"
# Plain records named by their key, through --interfaces or as they are.
echo '{"key": "0x0000abcd", "name": "ge-0/0/1", "index": 7}' >"$work/names.jsonl"
[ "$(run diff --gnmi-text --key sub.parent --interfaces "$work/names.jsonl" <(echo "$sub") <(echo "$changed") | head -1)" = \
  "m /interfaces/interface[name=ge-0/0/1]/subinterfaces/subinterface[index=7]/eth-if-plcy-oc:policy/config/mtu: 9000 -> 1500" ] \
  && ok || bad "diff --gnmi --key --interfaces"
expect "diff --gnmi --key alone" 1 "ethplcy: no --interfaces: each interface is named by its sub.parent, and a sub-interface's index is 0" \
  run diff --gnmi --key sub.parent <(echo "$sub") <(echo "$changed")
none="ethplcy: no notifications written: a record was refused" # a refused record is no delete
expect "envelope member" 2 "ethplcy: record 1, line 1: \"nmae\": not a member of an envelope (name, index, record, policy, deleted, net)
$none" run diff --gnmi <(echo '{"name": "eth0", "nmae": 1}') /dev/null
expect "plain record without --key" 2 "ethplcy: record 1, line 1: a record without its interface: give envelopes, or --key with --interfaces
$none" run diff --gnmi <(echo "$sub") /dev/null
expect "a deletion beside its record" 2 "ethplcy: record 2, line 2: /interfaces/interface[name=e\\]0]/subinterfaces/subinterface[index=5] is given twice
$none" run diff --gnmi /dev/null <(printf '{"name": "e]0", "index": 5, "record": "%s"}\n{"name": "e]0", "index": 5, "deleted": true}\n' "$sub")
# Envelopes that say something wrong: each refused, saying what to write.
while IFS='|' read -r what envelope message; do
  expect "$what" 2 "ethplcy: record 1, line 1: $message
$none" run diff --gnmi /dev/null <(echo "$envelope")
done <<EOF
a member twice|{"name": "a", "name": "b", "record": "$trunk"}|"name" is given twice: write each member of an envelope (and of its policy) once
a policy's member twice|{"name": "a", "policy": {"mtu": 1, "mtu": 2}}|"mtu" is given twice: write each member of an envelope (and of its policy) once
a sub-interface without index|{"name": "a", "record": "$sub"}|/interfaces/interface[name=a]: a sub-interface's record (its type or sub fields) without an index: give the sub-interface's "index"
a port with index|{"name": "a", "index": 0, "record": "$trunk"}|/interfaces/interface[name=a]/subinterfaces/subinterface[index=0]: a port's record (its type or trunk fields) with an index: leave "index" out for the port itself
a number as name|{"name": 5, "record": "$trunk"}|"name": 5 is not a string: write the interface's name, such as "name": "eth0"
a record not hex|{"name": "a", "record": "0g"}|"record" is not hex: "g" at position 1: write the record as hex text, as ethplcy encode writes it
a record not text|{"name": "a", "record": 5}|"record": 5 is not a string: write the record as hex text, as ethplcy encode writes it
a negative index|{"name": "a", "index": -1, "deleted": true}|"index": -1 is not a sub-interface index: write a whole number of 0 to 4294967295, or leave "index" out for a port
an index above 2^32-1|{"name": "a", "index": 4294967296, "deleted": true}|"index": 4294967296 is not a sub-interface index: write a whole number of 0 to 4294967295, or leave "index" out for a port
deleted false|{"name": "a", "deleted": false}|"deleted": false: only "deleted": true, for a record gone (a record kept is given by "record" or "policy")
net not a boolean|{"name": "a", "net": 1, "deleted": true}|"net": 1: write true or false
EOF
printf '{"key": 1, "name": "a"}\n{"key": 2, "name": "b"}\n{"key": 1, "name": "c"}\n' >"$work/twice.jsonl"
expect "a key twice in --interfaces" 2 "ethplcy: $work/twice.jsonl, line 3: key 1 is given twice (first on line 1): name each key once" \
  run diff --gnmi --key mtu --interfaces "$work/twice.jsonl" /dev/null /dev/null
expect "diff --gnmi --stream" 2 "ethplcy: --stream does not go with --gnmi: --gnmi reads dumps and pairs records by their interface; leave out --stream" \
  run diff --gnmi --stream /dev/null /dev/null
stats=$(run stats "$work/bad.hex")
[ $? -eq 2 ] && grep -qx "records: 3" <<<"$stats" && grep -qx "refused: 1" <<<"$stats" && ok || bad "stats"
[ "$records" -gt 20 ] && ok || bad "the corpus dump holds $records records"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
