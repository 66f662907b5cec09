#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Installs the packages on this machine (root), checks them where a user meets
# them, and purges them again:
#   - `man 3 NAME` opens each exported function's own page, and apropos lists
#     every one of them;
#   - a consumer package built against libeth-if-plcy-dev gets
#     "libeth-if-plcy0 (>= V)" from dpkg-shlibdeps, V the release that added
#     the newest symbol it uses (one program per release);
#   - after dpkg --purge no file of theirs is left.
#   scripts/check_installed_packages.sh RELEASE DEB...
set -euo pipefail
upstream=$1
shift
names=()
for deb in "$@"; do names+=("$(dpkg-deb -f "$deb" Package)"); done
status=0
fail() { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
purge() { dpkg --purge "${names[@]}" >/dev/null 2>&1 || true; }
trap 'purge; rm -rf "$work"' EXIT
purge
dpkg -i "$@" >/dev/null
for name in "${names[@]}"; do dpkg -L "$name"; done | sort -u >"$work/files"

mandb -q 2>/dev/null || true
functions=$(objdump -T /usr/lib/*/libeth_if_plcy.so.0 | awk '$2 == "g" && $(NF-1) ~ /^ETH_IF_PLCY/ && $NF !~ /^ETH/ { print $NF }' | sort)
listed=$(apropos -s 3 eth_if_plcy | awk '{ print $1 }' | sort -u)
for f in $functions; do
  page=$(man -w 3 "$f" 2>/dev/null) || { fail "man 3 $f: no page"; continue; }
  [ "$(basename "$page")" = "$f.3.gz" ] || fail "man 3 $f opens $page"
  grep -qx "$f" <<<"$listed" || fail "apropos eth_if_plcy does not list $f"
done
man 3 eth_if_plcy_encode 2>/dev/null | grep -q "^SYNOPSIS" || fail "man 3 eth_if_plcy_encode has no synopsis"
echo "man 3: $(wc -w <<<"$functions") functions, each its own page; apropos lists $(wc -l <<<"$listed") pages"

# Consumer packages: one uses only 0.1.0 symbols, one a symbol added in this release.
mkdir -p "$work/src/debian"
printf 'Source: consumer\n\nPackage: consumer\nArchitecture: any\n' >"$work/src/debian/control"
for want in 0.1.0 "$upstream"; do
  call='eth_if_plcy_lib_version()[0] == 0'
  [ "$want" = 0.1.0 ] || call='eth_if_plcy_status_str(0)[0] == 0'
  printf '#include <ether_interface_policy_api.h>\nint main(void) { return %s; }\n' "$call" >"$work/c.c"
  pkg=$work/src/debian/consumer
  mkdir -p "$pkg/DEBIAN" "$pkg/usr/bin"
  # shellcheck disable=SC2046
  cc "$work/c.c" -o "$pkg/usr/bin/consumer" $(pkg-config --cflags --libs eth_if_plcy)
  "$pkg/usr/bin/consumer" || fail "consumer $want does not run"
  depends=$(cd "$work/src" && dpkg-shlibdeps -O debian/consumer/usr/bin/consumer | sed 's/^shlibs:Depends=//')
  printf 'Package: consumer\nVersion: 1\nArchitecture: %s\nMaintainer: Test <test@eth-if-plcy.org>\nDepends: %s\nDescription: test\n' \
    "$(dpkg --print-architecture)" "$depends" >"$pkg/DEBIAN/control"
  dpkg-deb --build "$pkg" "$work/consumer.deb" >/dev/null
  got=$(dpkg-deb -f "$work/consumer.deb" Depends)
  echo "consumer package using a $want symbol: Depends: $got"
  grep -q "libeth-if-plcy0 (>= $want)" <<<"$got" || fail "consumer $want depends on '$got'"
done

# Wireshark loads the installed dissector (as any user but root, for whom it loads no plugin).
setpriv --reuid=nobody --regid=nogroup --clear-groups tshark -G plugins 2>/dev/null | grep -q '^eth_if_plcy.so' \
  && echo "tshark loads the installed dissector" || fail "tshark does not load the installed dissector"

dpkg --purge "${names[@]}" >/dev/null
left=$(while read -r f; do [ -f "$f" ] || [ -L "$f" ] && echo "$f"; done <"$work/files" || true)
[ -z "$left" ] || fail "left after purge: $left"
echo "purged: nothing left of $(wc -l <"$work/files") paths"
exit $status
