#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The README's tool commands paste and run as written: each `sh` block from
# "## The ethplcy tool" up to "## C++ callers" runs in a folder holding the
# files it names, with this build's ethplcy first on PATH. A line runs on its
# own (diff may exit 1: records differ); a block with a here-document runs
# whole. Lines that need root (sudo) are left to the package tests; tshark
# lines run where tshark and the dissector are there. The gNMI target
# (ethplcy serve, serving until it is stopped) and its client gnmic (not in
# Debian) are left to the serve test; the certificates made for them are made.
#   check_readme.sh PATH_TO_ETHPLCY SOURCE_DIR [WIRESHARK_PLUGIN_DIR]
set -euo pipefail
tool=$1
src=$2
plugins=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
ln -s "$tool" "$work/bin/ethplcy"
export PATH="$work/bin:$PATH"
[ -z "$plugins" ] || export WIRESHARK_PLUGIN_DIR=$plugins

# The files the commands name, made from the test policies.
cd "$work"
ethplcy encode "$here/sub.json" >rec.hex
ethplcy encode --binary -o rec.bin "$here/sub.json"
ethplcy encode --net "$here/sub.json" >net.hex
cp "$here/sub.json" policy.json
cp rec.hex old.hex
ethplcy encode "$here/trunk.json" >new.hex
cat rec.hex new.hex rec.hex >dump.hex
cp dump.hex before.hex
cat new.hex rec.hex >after.hex
ethplcy encode --stream --net --binary dump.hex >dump.bin

blocks=$(awk '/^## The ethplcy tool/ { on = 1 } /^## C\+\+ callers/ { on = 0 }
              on && /^```sh$/ { n++; inside = 1; next } inside && /^```$/ { inside = 0; next }
              inside { print n "\t" $0 }' "$src/README.md")
[ -n "$blocks" ] || { echo "no sh block in the README's tool sections"; exit 1; }
status=0 lines=0
# A block runs in one shell (a variable set on one line serves the next);
# each command line on its own reports a failure, a diff's exit 1 aside.
script() { # script BLOCK: the block with every command line checked
  local line
  while IFS= read -r line; do
    case $line in
    "" | \#*) continue ;;
    sudo\ *) continue ;;
    tshark\ *) [ "$tshark" = 1 ] || continue ;;
    *"ethplcy serve "* | gnmic\ *) continue ;;
    esac
    printf 'lines=$((lines + 1))\n{\n%s\n} </dev/null >"$work/out" 2>&1 || report $? %q\n' "$line" "$line"
  done <<<"$1"
}
report() { # report STATUS LINE
  if [ "$1" -eq 1 ] && [[ $2 == "ethplcy diff "* ]]; then return 0; fi
  echo "README command exits $1: $2"
  sed 's/^/  /' "$work/out" | head -n 5
  status=1
}
# tshark reads no plugin folder for root: run it as a user, as the README says.
tshark=0
if command -v tshark >/dev/null && [ -n "$plugins" ]; then
  tshark=1
  if [ "$(id -u)" = 0 ]; then
    chmod -R a+rX "$work"
    printf '#!/bin/sh\nexec setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=%q WIRESHARK_PLUGIN_DIR=%q %q "$@"\n' \
      "$work" "$plugins" "$(command -v tshark)" >"$work/bin/tshark"
    chmod +x "$work/bin/tshark"
  fi
fi
ln -s "$src/tests" "$work/tests" # paths in the README are from the project's root
for n in $(cut -f 1 <<<"$blocks" | sort -un); do
  block=$(awk -F '\t' -v n="$n" '$1 == n { sub(/^[^\t]*\t/, ""); print }' <<<"$blocks")
  if grep -q '<<' <<<"$block"; then # a here-document: the block as one command
    lines=$((lines + 1))
    bash -e -o pipefail -c "$block" </dev/null >"$work/out" 2>&1 || report $? "$block"
  else
    eval "$(script "$block")"
  fi
done
[ "$lines" -ge 15 ] || { echo "ran only $lines README commands"; status=1; }
if [ $status -eq 0 ]; then echo "README: $lines commands ran as written"; fi
exit $status
