#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the fuzz targets with clang and libFuzzer (ASan + UBSan) and runs each
# for SECONDS (default 30) on its committed corpus; new finds go to a scratch
# copy, crashes to fuzz/findings/.
#   fuzz/run.sh [SECONDS] [TARGET...]      targets: record encode print json stream openconfig
#                                          serve (where gRPC++'s development files are)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
all=(record encode print json stream openconfig)
# ethplcy-serve's requests, where protoc and gRPC++ are there (libFuzzer links
# Debian's uninstrumented protobuf and gRPC: their code is not fuzzed, ours is).
serve=0
if command -v protoc >/dev/null && command -v grpc_cpp_plugin >/dev/null &&
   pkg-config --exists grpc++ protobuf 2>/dev/null; then
  serve=1 all+=(serve)
fi
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
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
# The sources of a library as its CMakeLists.txt lists them (one line), so
# that a file added there is compiled here too.
#   cmake_sources DIR LIBRARY
cmake_sources() {
  local list
  list=$(sed -n "s/^add_library($2 STATIC \(.*\))\$/\1/p" "$1/CMakeLists.txt")
  [ -n "$list" ] || { echo "fuzz/run.sh: no one-line add_library($2 STATIC ...) in $1" >&2; exit 1; }
  for src in $list; do echo "$1/$src"; done
  return 0
}
# The JSON and stream targets are the tool's readers, with jansson and simdjson.
mapfile -t tool_sources < <(cmake_sources "$root/tools/ethplcy" ethplcy_json)
[ ${#tool_sources[@]} -gt 0 ] || exit 1
flags+=(-I"$root/tools/ethplcy" -DETH_IF_PLCY_HAVE_SIMDJSON)
serve_sources=()
if [ $serve = 1 ]; then
  # The code protoc makes from the project's gnmi.proto, then the service's own.
  mkdir -p "$out/gen"
  protoc -I"$root/tools/serve" --cpp_out="$out/gen" --grpc_out="$out/gen" \
    --plugin=protoc-gen-grpc="$(command -v grpc_cpp_plugin)" "$root/tools/serve/gnmi.proto"
  mapfile -t serve_sources < <(cmake_sources "$root/tools/serve" ethplcy_serve_core)
  [ ${#serve_sources[@]} -gt 0 ] || exit 1
  serve_sources+=("$out/gen/gnmi.pb.cc" "$out/gen/gnmi.grpc.pb.cc")
  read -r -a grpc_cflags <<<"$(pkg-config --cflags grpc++ protobuf)"
  flags+=(-I"$root/tools/serve" -isystem "$out/gen" "${grpc_cflags[@]}")
fi
fresh=1
[ -e "$out/.built" ] || fresh=0
for t in "${targets[@]}"; do [ -x "$out/fuzz_$t" ] || fresh=0; done
if [ $fresh = 0 ] || [ -n "$(find "$root/fuzz" "$root/l2protocols" "$root/platform" "$root/tools" -newer "$out/.built" \
                                \( -name '*.[ch]pp' -o -name '*.h' -o -name '*.proto' -o -name CMakeLists.txt \) 2>/dev/null | head -n 1)" ]; then
  # Every source compiled once, on every core; each target links what it needs.
  fuzzers=()
  for t in "${all[@]}"; do fuzzers+=("$root/fuzz/fuzz_$t.cpp"); done
  rm -rf "$out/obj"
  mkdir -p "$out/obj"
  # An object is named by its source's whole path: two input.cpp do not meet.
  printf '#!/usr/bin/env bash\nexec clang++ %s -c "$1" -o "%q/obj/$(tr / _ <<<"$1").o"\n' \
    "$(printf '%q ' "${flags[@]}")" "$out" >"$out/compile"
  chmod +x "$out/compile"
  printf '%s\0' "${sources[@]}" "${tool_sources[@]}" "${serve_sources[@]}" "${fuzzers[@]}" |
    xargs -0 -n 1 -P "$(nproc)" "$out/compile"
  lib=()
  obj() { echo "$out/obj/$(tr / _ <<<"$1").o"; }
  for src in "${sources[@]}"; do lib+=("$(obj "$src")"); done
  tool=()
  for src in "${tool_sources[@]}"; do tool+=("$(obj "$src")"); done
  service=()
  for src in "${serve_sources[@]}"; do service+=("$(obj "$src")"); done
  for t in "${all[@]}"; do
    extra=()
    case $t in json | stream | openconfig) extra=("${tool[@]}" -ljansson -lsimdjson) ;; esac
    # shellcheck disable=SC2046 # pkg-config's words are separate arguments
    [ $t != serve ] || extra=("${service[@]}" "${tool[@]}" -ljansson -lsimdjson -lcrypt $(pkg-config --libs grpc++ protobuf))
    clang++ "${flags[@]}" "${lib[@]}" "$(obj "$root/fuzz/fuzz_$t.cpp")" "${extra[@]}" -o "$out/fuzz_$t"
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
