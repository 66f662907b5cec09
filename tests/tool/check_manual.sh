#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The manual page renders without a warning, has each command's synopsis as
# its usage writes it, names every option that --help
# lists, keeps every quote of the JSON it shows (no key left bare), and its
# JSON example, as rendered, encodes and comes back the same.
#   check_manual.sh PATH_TO_ETHPLCY TOOL_SOURCE_DIR
set -euo pipefail
tool=$1
page=$2/ethplcy.1
command -v groff >/dev/null || { echo "groff missing: manual not checked"; exit 0; }
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "groff: $warnings"; exit 1; }
text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
status=0
mapfile -t commands < <("$tool" --help | sed -n '/^commands:/,/^$/s/^  \([a-z]\+\) .*/\1/p')
[ ${#commands[@]} -ge 9 ] || { echo "ethplcy --help lists only ${#commands[@]} commands"; exit 1; }
for cmd in "" "${commands[@]}"; do
  for opt in $("$tool" $cmd --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$opt" <<<"$text" || { echo "ethplcy $cmd --help lists $opt; the manual does not"; status=1; }
  done
done
# The SYNOPSIS is the tool's: each command's usage line, as the table writes it.
synopsis=$(groff -man -Tascii -P-cbou -rLL=400n -rHY=0 "$page" | sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' |
  sed 's/  */ /g; s/^ //')
for cmd in "${commands[@]}"; do
  line=$("$tool" "$cmd" --help | awk 'NR > 1 && /^  [^ ]/ { exit } { print }' | tr -s ' \n' ' ' |
    sed 's/^usage: //; s/ $//')
  [ "$cmd" != demo ] || line="ethplcy [demo]"
  grep -qxF -- "$line" <<<"$synopsis" || { echo "the manual's SYNOPSIS lacks: $line"; status=1; }
done
# The table of interface types: each number beside the name the tool writes.
for t in $(seq 1 21); do
  name=$("$tool" encode "{\"ether_if_type\": $t}" | "$tool" show --json --words -c | sed 's/.*"ether_if_type":"\([^"]*\)".*/\1/')
  grep -qE "(^| )$t $name( |$)" <<<"$text" || { echo "the manual's table lacks $t $name"; status=1; }
done
# A key without its quotes, as groff leaves one whose quotes it took for its own.
bare=$(grep -nE '[{,] *[a-z_]+ *: ' <<<"$text" || true)
[ -z "$bare" ] || { echo "JSON keys lost their quotes: $bare"; status=1; }
example=$(sed -n '/^ *{$/,/^ *}$/p' <<<"$text")
hex=$("$tool" encode - <<<"$example")
[ "$("$tool" show --json "$hex" | "$tool" encode -)" = "$hex" ] || { echo "the JSON example does not round-trip"; status=1; }
[ $status -eq 0 ] && echo "manual ok"
exit $status
