#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# ethplcy on a dump of RECORDS records (default 1,000,000: the three
# reference policies and the corpus's records that encode takes back, in
# turn), in one run: `show --stream --json` against `jq -c .` re-printing the
# same JSON Lines, `show --stream` of the brief and compact layouts against
# the library's own validate + ntoh + print of each record, `encode --stream`
# of the JSON Lines against jq, `diff --stream --key sub.parent` of the dump
# against itself in reverse order beside the in-order diff of the same two,
# and each run's peak RSS (the key diff's as bytes a record).
#   bench/stream_bench.sh BUILD_DIR [RECORDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
count=${2:-1000000}
tool=$build/tools/ethplcy/ethplcy
work=$(mktemp -d "$build/stream.XXXXXX")
trap 'rm -rf "$work"' EXIT
{
  "$build/bench/eth_if_plcy_reference_records" | awk '{ print $2 }'
  for f in "$root"/fuzz/corpus/record/*; do
    "$tool" show --json -c --binary "$f" 2>/dev/null | "$tool" encode - 2>/dev/null || true
  done
} >"$work/mix.hex"
awk -v n="$count" '{ r[NR] = $0 } END { for (i = 0; i < n; i++) print r[i % NR + 1] }' \
  "$work/mix.hex" >"$work/dump.hex"
"$tool" show --stream --json "$work/dump.hex" >"$work/dump.jsonl"
"$tool" encode --stream --net --binary "$work/dump.jsonl" >"$work/dump.bin"
echo "dump: $count records ($(wc -l <"$work/mix.hex") kinds), $(stat -c %s "$work/dump.bin") bytes as records"

# run NAME COMMAND...: seconds and peak RSS (KiB) of one run, output discarded.
run() {
  local name=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null || [ $? -eq 1 ] # diff: 1 differ
  read -r "${name}_s" "${name}_kib" < <(tail -n 1 "$work/time") # after any "exited with" line
}
run show_json "$tool" show --stream --net --binary --json "$work/dump.bin"
run jq jq -c . "$work/dump.jsonl"
run brief "$tool" show --stream --net --binary --layout=brief "$work/dump.bin"
run compact "$tool" show --stream --net --binary --layout=compact "$work/dump.bin"
run encode "$tool" encode --stream --binary "$work/dump.jsonl"
tac "$work/dump.hex" >"$work/reversed.hex"
run in_order "$tool" diff --stream "$work/dump.hex" "$work/reversed.hex"
run by_key "$tool" diff --stream --key sub.parent "$work/dump.hex" "$work/reversed.hex"
read -r _ brief_floor_ns _ _ < <("$build/bench/eth_if_plcy_stream_floor" "$work/dump.bin" | grep '^brief')
read -r _ compact_floor_ns _ _ < <("$build/bench/eth_if_plcy_stream_floor" "$work/dump.bin" | grep '^compact')

python3 - "$count" "$show_json_s" "$jq_s" "$brief_s" "$brief_floor_ns" "$compact_s" \
  "$compact_floor_ns" "$encode_s" "$in_order_s" "$by_key_s" "$in_order_kib" "$by_key_kib" \
  "$show_json_kib" "$brief_kib" "$compact_kib" "$encode_kib" <<'PY'
import sys
n, show_json, jq, brief, brief_floor, compact, compact_floor, encode, in_order, by_key = \
    map(float, sys.argv[1:11])
in_order_kib, by_key_kib = int(sys.argv[11]), int(sys.argv[12])
rss = [int(x) for x in sys.argv[13:]]
rows = [
    ("show --stream --json vs jq -c .", jq / show_json, ">=", 5.0, "%.2f s vs %.2f s" % (show_json, jq)),
    ("show --stream brief / library", brief * 1e9 / n / brief_floor, "<=", 1.5,
     "%.0f vs %.0f ns/record" % (brief * 1e9 / n, brief_floor)),
    ("show --stream compact / library", compact * 1e9 / n / compact_floor, "<=", 1.5,
     "%.0f vs %.0f ns/record" % (compact * 1e9 / n, compact_floor)),
    ("encode --stream vs jq -c .", jq / encode, ">=", 2.0, "%.2f s vs %.2f s" % (encode, jq)),
    ("peak RSS, MiB (largest of the four)", max(rss) / 1024, "<=", 16.0, "%s KiB" % rss),
    ("diff --stream --key / in order", by_key / in_order, "<=", 2.0,
     "%.2f s vs %.2f s" % (by_key, in_order)),
    ("diff --key memory, bytes a record", (by_key_kib - in_order_kib) * 1024 / n, "<=", 64.0,
     "%d vs %d KiB peak" % (by_key_kib, in_order_kib)),
]
for what, value, sense, target, detail in rows:
    ok = value >= target if sense == ">=" else value <= target
    print("%-38s %7.2f  [%s %4.1f] %-6s %s" % (what, value, sense, target, "ok" if ok else "MISSED", detail))
PY
