#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Deterministic performance guard: counts the instructions of every operation
# on the three reference policies with callgrind and fails when one rises more
# than 10% above the committed baseline.
#   bench/instructions.sh [BUILD_DIR]           check against instructions.baseline
#   bench/instructions.sh --update [BUILD_DIR]  rewrite the baseline
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
build=${1:-$root/build-bench}
baseline=$root/bench/instructions.baseline
"$root/bench/deps.sh"
command -v valgrind >/dev/null || { echo "instructions: valgrind missing, guard skipped"; exit 0; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DETH_IF_PLCY_WERROR=ON -DETH_IF_PLCY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target eth_if_plcy_count_ops >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
current=$work/current
for policy in a_trunk b_sub_dot1q c_sub_qinq_ranges; do
  (cd "$work" && valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$work/cg.$policy" \
    "$build/bench/eth_if_plcy_count_ops" "$policy" >/dev/null 2>&1)
  for f in "$work"/cg."$policy".*; do
    op=$(sed -n 's/^desc: Trigger: Client Request: //p' "$f")
    [ -n "$op" ] || continue
    total=$(sed -n 's/^totals: //p' "$f")
    echo "$policy $op $((total / 1000))"
  done
done | sort >"$current"
if [ "$update" -eq 1 ]; then
  { echo "# instructions per operation (callgrind), from bench/instructions.sh --update"; cat "$current"; } >"$baseline"
  echo "baseline written: $(wc -l <"$current") operations"
  exit 0
fi
status=0
while read -r policy op count; do
  want=$(awk -v p="$policy" -v o="$op" '$1 == p && $2 == o { print $3 }' "$baseline")
  if [ -z "$want" ]; then echo "new operation $policy $op: $count"; continue; fi
  limit=$((want + want / 10))
  mark=ok
  if [ "$count" -gt "$limit" ]; then mark="ROSE MORE THAN 10%"; status=1; fi
  printf '%-18s %-18s %8d (baseline %8d) %s\n' "$policy" "$op" "$count" "$want" "$mark"
done <"$current"
exit $status
