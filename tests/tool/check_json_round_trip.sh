#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# JSON carries every record whole: `show --json X | encode` gives back X's
# bytes for every record of the tests and every record encode made. A fuzzed
# seed may hold bytes no field carries (an EFP that is not configured, spare
# bits): its first pass through JSON makes such a record, which must then come
# back byte for byte. A seed that mixes sub-interface and trunk fields without
# a type, which encode refuses, has no way back.
#   check_json_round_trip.sh [EMULATOR...] PATH_TO_ETHPLCY SOURCE_DIR
set -uo pipefail
src=${*: -1}
tool=("${@:1:$#-1}")
run() { "${tool[@]}" "$@"; }
exact=0 fixed=0 refused=0 failed=0
# Checked encode where the policy passes the check, else the format's own.
encode() { run encode "$@" - <"$json" 2>/dev/null || run encode --no-check "$@" - <"$json"; }
json=$(mktemp)
trap 'rm -f "$json"' EXIT
for f in "$src"/tests/tool/*.net.hex "$src"/tests/vectors/[0-9][0-9].net; do
  run show --net --json "$f" >"$json"
  if [ "$(encode --net)" = "$(tr -d ' \n' <"$f")" ]; then exact=$((exact + 1)); else
    failed=$((failed + 1)); echo "FAIL: $f"; fi
done
# The corpora of record bytes (the others hold JSON or the encode fuzzer's input).
for f in "$src"/fuzz/corpus/record/* "$src"/fuzz/corpus/print/*; do
  run show --binary --json "$f" >"$json" 2>/dev/null || continue
  if ! again=$(encode 2>&1); then
    [ "$again" = "ethplcy: encode refused the policy: policy cannot be represented" ] &&
      refused=$((refused + 1)) || { failed=$((failed + 1)); echo "FAIL: $f: $again"; }
    continue
  fi
  if [ "$again" = "$(xxd -p "$f" | tr -d '\n')" ]; then exact=$((exact + 1)); continue; fi
  run show --json "$again" >"$json"
  if [ "$(encode)" = "$again" ]; then fixed=$((fixed + 1)); else failed=$((failed + 1)); echo "FAIL: $f"; fi
done
# The one-line text (written straight, as streams write it) is the tree's
# indented text compacted, byte for byte, with and without --words.
lines=$(mktemp) pretty=$(mktemp)
trap 'rm -f "$json" "$lines" "$pretty"' EXIT
for f in "$src"/fuzz/corpus/*/*; do
  for words in --json --words; do # (--json twice: without words)
    run show --binary --json "$words" "$f" >>"$pretty" 2>/dev/null || continue
    run show --binary --json -c "$words" "$f" >>"$lines"
  done
done
differ=$(python3 - "$pretty" "$lines" <<'PY'
import json, sys
text, lines = open(sys.argv[1]).read(), open(sys.argv[2]).read().splitlines()
values, at, decoder = [], 0, json.JSONDecoder()
while text[at:].strip():
    value, at = decoder.raw_decode(text, len(text) - len(text[at:].lstrip()))
    values.append(json.dumps(value, separators=(",", ":")))
print(sum(a != b for a, b in zip(values, lines)) + abs(len(values) - len(lines)), len(lines))
PY
)
read -r bad written <<<"$differ"
[ "$bad" = 0 ] && [ "$written" -gt 200 ] || { failed=$((failed + 1)); echo "FAIL: one-line texts: $differ"; }
echo "$exact records given back byte for byte, $fixed fuzzed ones after one pass," \
  "$refused that encode refuses"
echo "$((exact + fixed)) passed, $failed failed"
# Fewer records than the corpora hold means a corpus moved and went unchecked.
[ "$failed" -eq 0 ] && [ $((exact + fixed)) -ge 150 ]
