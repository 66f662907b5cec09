#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# ethplcy on a dump of RECORDS records (default 1,000,000: the three
# reference policies and the corpus's records that encode takes back, in
# turn), in one run, each command's output into a pipe (`| cat`), its time
# printed as a multiple of the pipe floor (`cat` pushing the dump's JSON
# Lines through the same pipe) and of `jq -c .` re-printing those JSON Lines
# (the fastest of three runs; jq and the reversed diffs once):
# `show --stream --json` of raw records and of hex lines, `encode --stream`
# of the JSON Lines, `diff --stream` of the dump against a copy with 1% of
# its records changed (against `show` of one of them), and the same by key
# (`--key sub.parent`) against the dump in reverse order; `show --stream` of
# the brief and compact layouts against the library's own validate + ntoh +
# print of each record; each run's peak RSS (`/usr/bin/time`, the largest
# process of the pipe), the key diff's as bytes a record, and its CPU time
# (user + system, the pipe's cat included: on a busy machine the one figure
# that load does not inflate).
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
# The dump, and a copy where every 100th record is the next kind instead.
awk -v n="$count" '{ r[NR] = $0 } END {
  for (i = 0; i < n; i++) { print r[i % NR + 1] >"/dev/stdout"; print r[(i + (i % 100 == 50)) % NR + 1] >"/dev/stderr" } }' \
  "$work/mix.hex" >"$work/dump.hex" 2>"$work/changed.hex"
"$tool" show --stream --json "$work/dump.hex" >"$work/dump.jsonl"
"$tool" encode --stream --net --binary "$work/dump.jsonl" >"$work/dump.bin"
echo "dump: $count records ($(wc -l <"$work/mix.hex") kinds), $(stat -c %s "$work/dump.bin") bytes as records," \
  "$(stat -c %s "$work/dump.jsonl") as JSON Lines"

# run NAME COMMAND...: seconds and peak RSS (KiB) of the fastest of RUNS
# runs (default 3; a shared machine's noise only ever adds), its output
# through a pipe into cat.
run() {
  local name=$1 best=
  shift
  for _ in $(seq "${RUNS:-3}"); do
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" sh -c '"$@" | cat >/dev/null; exit 0' sh "$@"
    read -r s kib user sys < <(tail -n 1 "$work/time") # after any "exited with" line
    if [ -z "$best" ] || python3 -c "import sys; sys.exit(not $s < $best)"; then
      best=$s best_kib=$kib best_cpu=$(python3 -c "print($user + $sys)")
    fi
  done
  printf -v "${name}_s" %s "$best"
  printf -v "${name}_kib" %s "$best_kib"
  printf -v "${name}_cpu" %s "$best_cpu"
}
run floor cat "$work/dump.jsonl"
RUNS=1 run jq jq -c . "$work/dump.jsonl"
run show_bin "$tool" show --stream --net --binary --json "$work/dump.bin"
run show_hex "$tool" show --stream --json "$work/dump.hex"
run encode "$tool" encode --stream --binary "$work/dump.jsonl"
run diff "$tool" diff --stream "$work/dump.hex" "$work/changed.hex"
run brief "$tool" show --stream --net --binary --layout=brief "$work/dump.bin"
run compact "$tool" show --stream --net --binary --layout=compact "$work/dump.bin"
tac "$work/dump.hex" >"$work/reversed.hex"
RUNS=1 run in_order "$tool" diff --stream "$work/dump.hex" "$work/reversed.hex"
RUNS=1 run by_key "$tool" diff --stream --key sub.parent "$work/dump.hex" "$work/reversed.hex"
read -r _ brief_floor_ns _ _ < <("$build/bench/eth_if_plcy_stream_floor" "$work/dump.bin" | grep '^brief')
read -r _ compact_floor_ns _ _ < <("$build/bench/eth_if_plcy_stream_floor" "$work/dump.bin" | grep '^compact')

# shellcheck disable=SC2154 # run() sets NAME_s, NAME_kib and NAME_cpu
python3 - <<PY
n = $count
floor, jq = $floor_s, $jq_s
print("%-36s %7s %8s %7s  %-22s %8s %6s" % ("into a pipe", "s", "x floor", "x jq", "target",
                                             "peak RSS", "CPU s"))
rows = [
    ("cat of the JSON Lines (floor)", $floor_s, $floor_kib, None, $floor_cpu),
    ("jq -c . of the JSON Lines", $jq_s, $jq_kib, None, $jq_cpu),
    ("show --stream --json, raw records", $show_bin_s, $show_bin_kib, ("floor", 4.0), $show_bin_cpu),
    ("show --stream --json, hex lines", $show_hex_s, $show_hex_kib, ("floor", 4.0), $show_hex_cpu),
    ("encode --stream of the JSON Lines", $encode_s, $encode_kib, ("floor", 8.0), $encode_cpu),
    ("diff --stream, 1% changed", $diff_s, $diff_kib, ("show", 2.0), $diff_cpu),
]
missed = 0
for what, s, kib, target, cpu in rows:
    mark = ""
    if target:
        ratio = s / (floor if target[0] == "floor" else $show_hex_s)
        ok = ratio <= target[1]
        missed += not ok
        mark = "<= %.0fx %s %s" % (target[1], target[0], "ok" if ok else "MISSED")
    print("%-36s %7.2f %8.2f %7.2f  %-22s %4.1f MiB %6.2f" % (what, s, s / floor, s / jq, mark,
                                                               kib / 1024, cpu))
others = [
    ("show --stream brief / library", $brief_s * 1e9 / n / $brief_floor_ns, "<=", 1.5,
     "%.0f vs %.0f ns/record" % ($brief_s * 1e9 / n, $brief_floor_ns)),
    ("show --stream compact / library", $compact_s * 1e9 / n / $compact_floor_ns, "<=", 1.5,
     "%.0f vs %.0f ns/record" % ($compact_s * 1e9 / n, $compact_floor_ns)),
    ("peak RSS, MiB (largest but jq's)", max($show_bin_kib, $show_hex_kib, $encode_kib, $diff_kib,
     $brief_kib, $compact_kib) / 1024, "<=", 16.0, ""),
    ("diff --stream --key / in order", $by_key_s / $in_order_s, "<=", 2.0,
     "%.2f s vs %.2f s, reversed" % ($by_key_s, $in_order_s)),
    ("diff --key memory, bytes a record", ($by_key_kib - $in_order_kib) * 1024 / n, "<=", 64.0,
     "%d vs %d KiB peak" % ($by_key_kib, $in_order_kib)),
]
for what, value, sense, target, detail in others:
    ok = value >= target if sense == ">=" else value <= target
    missed += not ok
    print("%-36s %7.2f  [%s %4.1f] %-6s %s" % (what, value, sense, target, "ok" if ok else "MISSED", detail))
PY
