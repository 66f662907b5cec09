#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Runs a command on this machine as if some Debian packages were not
# installed: in a private mount namespace, /usr is an overlay in which every
# file those packages own under /usr is deleted (an overlay whiteout). Nothing
# outside the command sees a change. Needs root (or unprivileged namespaces).
#   scripts/without.sh PACKAGE... -- COMMAND [ARG...]
set -euo pipefail
packages=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do packages+=("$1"); shift; done
[ $# -gt 1 ] || { echo "usage: $0 PACKAGE... -- COMMAND [ARG...]" >&2; exit 2; }
shift
layer=$(mktemp -d)
trap 'rm -rf "$layer"' EXIT
mkdir -p "$layer/upper" "$layer/work"
hidden=0
for p in "${packages[@]}"; do
  dpkg-query -W "$p" >/dev/null 2>&1 || continue
  while IFS= read -r f; do
    case $f in /usr/*) ;; *) continue ;; esac
    [ -d "$f" ] && [ ! -L "$f" ] && continue
    [ -e "$f" ] || [ -L "$f" ] || continue
    rel=${f#/usr}
    mkdir -p "$layer/upper$(dirname "$rel")"
    mknod "$layer/upper$rel" c 0 0 # a whiteout: the file is absent in the overlay
    hidden=$((hidden + 1))
  done < <(dpkg -L "$p")
done
echo "without ${packages[*]}: $hidden files hidden" >&2
unshare --mount -- sh -c 'mount -t overlay overlay -o "lowerdir=/usr,upperdir=$1/upper,workdir=$1/work" /usr &&
  shift && exec "$@"' sh "$layer" "$@"
