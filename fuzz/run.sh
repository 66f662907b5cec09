#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the fuzz targets with clang and libFuzzer (ASan + UBSan) and runs each
# for SECONDS (default 30) on its committed corpus; new finds go to a scratch
# copy, crashes to fuzz/findings/.
#   fuzz/run.sh [SECONDS] [TARGET...]      targets: record encode print json stream openconfig
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(record encode print json stream openconfig)
"$root/scripts/deps.sh" clang libclang-rt-14-dev libjansson-dev libsimdjson-dev >/dev/null
out=${FUZZ_OUT:-$root/build-fuzz}
mkdir -p "$out" "$root/fuzz/findings"
sources=("$root"/l2protocols/ethernet/infra/common/src/*.cpp "$root"/platform/efp_util/src/*.cpp
         "$root"/platform/iftype/src/*.cpp)
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root/l2protocols/ethernet/infra/common/include"
       -I"$root/l2protocols/ethernet/infra/common/description" -I"$root/platform/efp_util/include"
       -I"$root/platform/iftype/include")
status=0
for t in "${targets[@]}"; do
  bin=$out/fuzz_$t
  if [ ! -x "$bin" ] || [ -n "$(find "$root/fuzz" "$root/l2protocols" "$root/platform" "$root/tools" -newer "$bin" -name '*.[ch]pp' -o -newer "$bin" -name '*.h' | head -n 1)" ]; then
    extra=()
    # The JSON and stream targets are the tool's readers, with jansson and simdjson.
    case $t in json | stream | openconfig)
      extra=(-I"$root/tools/ethplcy" -DETH_IF_PLCY_HAVE_SIMDJSON
             "$root/tools/ethplcy/json_io.cpp" "$root/tools/ethplcy/input.cpp"
             "$root/tools/ethplcy/stream.cpp" "$root/tools/ethplcy/yang.cpp"
             "$root/tools/ethplcy/openconfig.cpp" -ljansson -lsimdjson) ;;
    esac
    clang++ "${flags[@]}" "${sources[@]}" "$root/fuzz/fuzz_$t.cpp" "${extra[@]}" -o "$bin"
  fi
  work=$out/corpus_$t
  mkdir -p "$work"
  cp -n "$root/fuzz/corpus/$t"/* "$work"/ 2>/dev/null || true
  max_len=512
  [ "$t" != json ] && [ "$t" != stream ] || max_len=4096 # policies and dumps are longer than records
  echo "== fuzz_$t for ${seconds}s =="
  if ! (cd "$root/fuzz/findings" && "$bin" -max_total_time="$seconds" -print_final_stats=1 \
        -max_len=$max_len "$work" 2>&1 | tail -n 12); then
    status=1
  fi
done
exit $status
