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
       -I"$root/l2protocols/ethernet/infra/common/openconfig"
       -I"$root/platform/iftype/include")
# The JSON and stream targets are the tool's readers, with jansson and simdjson.
tool_sources=("$root"/tools/ethplcy/{json_io,policy_input,policy_scan,input,stream,yang,openconfig}.cpp)
flags+=(-I"$root/tools/ethplcy" -DETH_IF_PLCY_HAVE_SIMDJSON)
fresh=1
[ -e "$out/.built" ] || fresh=0
for t in "${targets[@]}"; do [ -x "$out/fuzz_$t" ] || fresh=0; done
if [ $fresh = 0 ] || [ -n "$(find "$root/fuzz" "$root/l2protocols" "$root/platform" "$root/tools" -newer "$out/.built" \
                                \( -name '*.[ch]pp' -o -name '*.h' \) 2>/dev/null | head -n 1)" ]; then
  # Every source compiled once, on every core; each target links what it needs.
  rm -rf "$out/obj"
  mkdir -p "$out/obj"
  printf '#!/usr/bin/env bash\nexec clang++ %s -c "$1" -o "%q/obj/$(basename "$1" .cpp).o"\n' \
    "$(printf '%q ' "${flags[@]}")" "$out" >"$out/compile"
  chmod +x "$out/compile"
  printf '%s\0' "${sources[@]}" "${tool_sources[@]}" "$root"/fuzz/fuzz_*.cpp |
    xargs -0 -n 1 -P "$(nproc)" "$out/compile"
  lib=()
  for src in "${sources[@]}"; do lib+=("$out/obj/$(basename "$src" .cpp).o"); done
  tool=()
  for src in "${tool_sources[@]}"; do tool+=("$out/obj/$(basename "$src" .cpp).o"); done
  for t in record encode print json stream openconfig; do
    extra=()
    case $t in json | stream | openconfig) extra=("${tool[@]}" -ljansson -lsimdjson) ;; esac
    clang++ "${flags[@]}" "${lib[@]}" "$out/obj/fuzz_$t.o" "${extra[@]}" -o "$out/fuzz_$t"
  done
  touch "$out/.built"
fi
status=0
for t in "${targets[@]}"; do
  bin=$out/fuzz_$t
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
