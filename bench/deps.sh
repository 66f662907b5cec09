#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The benchmark's extra packages: protobuf-c (the peer), protobuf's Python
# and protoc (the Python binding's peer), jq and time (the stream benchmark)
# and valgrind (the instruction guard). Missing ones are installed where apt-get can; the
# benchmark builds without the peer otherwise.
set -uo pipefail
missing=()
for p in protobuf-c-compiler libprotobuf-c-dev protobuf-compiler python3-protobuf jq time valgrind; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
if ! { $sudo_cmd apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"; } >/dev/null 2>&1; then
  echo "bench: could not install ${missing[*]}; protobuf-c comparison skipped" >&2
fi
exit 0
