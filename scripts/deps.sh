#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Installs what a fresh Debian machine lacks to build, test and package the
# project.   scripts/deps.sh [PACKAGE...]   (default: the whole list)
set -euo pipefail
packages=(cmake ninja-build g++ pkgconf libgtest-dev libgmock-dev libbenchmark-dev libjansson-dev libsimdjson-dev
          xxd valgrind doxygen abigail-tools dpkg-dev file groff-base
          python3-dev python3-pytest python3-hypothesis python3-jsonschema mypy
          libwireshark-dev libglib2.0-dev tshark tmux jq libyang-tools
          libgrpc++-dev libprotobuf-dev protobuf-compiler protobuf-compiler-grpc python3-grpcio python3-protobuf
          openssl libcrypt-dev)
[ $# -eq 0 ] || packages=("$@")
native=$(dpkg --print-architecture)
# Installed for this machine's own architecture (or for all): a package also
# installed for a foreign architecture (libjansson-dev:s390x) must not count.
installed() {
  dpkg-query -W -f='${Architecture} ${db:Status-Status}\n' "$1" 2>/dev/null |
    awk -v a="$native" '($1 == a || $1 == "all") && $2 == "installed" { ok = 1 } END { exit !ok }'
}
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p:$native")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
