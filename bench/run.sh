#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the benchmarks in Release and prints the tables: ns/op (median of the
# repetitions) per policy and operation, and the ratios to the floor and to
# protobuf-c; then the Python binding against protobuf's Python; then
# ethplcy on a dump of a million records (bench/stream_bench.sh).
#   bench/run.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
reps=${2:-9}
"$root/scripts/deps.sh"
"$root/bench/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DETH_IF_PLCY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target eth_if_plcy_bench eth_if_plcy_reference_records eth_if_plcy_python \
  ethplcy eth_if_plcy_stream_floor >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/bench/eth_if_plcy_bench" --benchmark_repetitions="$reps" --benchmark_min_time=0.05 \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$out"
python3 "$root/bench/table.py" "$out"
echo
"$build/bench/eth_if_plcy_reference_records" >"$out"
protoc --python_out="$build/bench" -I"$root/bench" "$root/bench/policy.proto"
PYTHONPATH="$build/python" /usr/bin/python3 "$root/bench/python_bench.py" "$out" "$build/bench"
echo
"$root/bench/stream_bench.sh" "$build"
