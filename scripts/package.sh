#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the Debian packages with CPack and Debian's build flags, and checks
# them as a distribution would: lintian with no error or warning,
# hardening-check on the tool and the library, contents and Depends, the
# unpacked tool, Python package and a consumer run with no library path. As
# root it also installs them: every function's manual page and apropos entry,
# tiny consumer packages that get a versioned dependency from the symbols
# file, and a purge that leaves nothing behind.
#   scripts/package.sh [BUILD_DIR]   (.deb and -dbgsym .ddeb files land there)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-deb}
"$root/scripts/deps.sh"
"$root/scripts/deps.sh" lintian devscripts man-db
# Debian's flags (hardening included); CMake reads them on a fresh configure.
rm -f "$build/CMakeCache.txt"
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CPPFLAGS $CFLAGS" CXXFLAGS="$CPPFLAGS $CXXFLAGS" LDFLAGS
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DETH_IF_PLCY_BUILD_TOOL=ON -DETH_IF_PLCY_BUILD_DOCS=ON -DETH_IF_PLCY_BUILD_PYTHON=ON -DETH_IF_PLCY_BUILD_WIRESHARK=ON \
  -DETH_IF_PLCY_BUILD_BENCH=OFF -DETH_IF_PLCY_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" >/dev/null
rm -f "$build"/*.deb "$build"/*.ddeb
(cd "$build" && cpack -G DEB >/dev/null)
# Two fixes CPack 3.25 needs, made on the built packages: it adds maintainer
# scripts that run ldconfig to every package with a library in /usr/lib (the
# libraries' ldconfig trigger does that job, as in Debian's own library
# packages); and its -dbgsym packages list absolute build paths in md5sums and
# lack the documentation link that debhelper's carry.
repack() { # FILE EDIT: rebuilds FILE after EDIT changed its unpacked tree
  local file=$1 tree
  tree=$(mktemp -d)
  chmod 755 "$tree"
  dpkg-deb -R "$file" "$tree"
  "$2" "$tree"
  (cd "$tree" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z | xargs -0r md5sum) \
    >"$tree/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zxz -b "$tree" "$file" >/dev/null
  rm -rf "$tree"
}
no_ldconfig_scripts() { rm -f "$1/DEBIAN/postinst" "$1/DEBIAN/postrm"; }
debug_doc_link() {
  local of; of=$(sed -n 's/^Depends: \([^ ]*\) .*/\1/p' "$1/DEBIAN/control")
  mkdir -p "$1/usr/share/doc"
  ln -s "$of" "$1/usr/share/doc/$of-dbgsym"
  find "$1/usr/lib/debug" -type f -exec chmod 644 {} +
}
for file in "$build"/libeth-*0_*.deb; do repack "$file" no_ldconfig_scripts; done
for file in "$build"/*.ddeb; do repack "$file" debug_doc_link; done
upstream=$(sed -n 's/^#define ETH_IF_PLCY_VERSION_STRING "\(.*\)"/\1/p' \
  "$root/l2protocols/ethernet/infra/common/include/ether_interface_policy_api.h")
version=$(dpkg-parsechangelog -l "$root/packaging/changelog" -S Version)
[ "${version%-*}" = "$upstream" ] || { echo "FAIL: packaging/changelog is at $version, the release is $upstream"; exit 1; }
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
packages=(libeth-if-plcy0 libeth-efp-util0 libeth-iftype0 libeth-if-plcy-dev ethplcy python3-eth-if-plcy
          wireshark-eth-if-plcy)
status=0
fail() { echo "FAIL: $*"; status=1; }
deb() { echo "$build/$1_${version}_$arch.deb"; }

# lintian, as an archive would run it; overrides, if any, say why in their file.
debs=()
for pkg in "${packages[@]}"; do debs+=("$(deb "$pkg")"); done
lintian --fail-on error,warning --tag-display-limit 0 "${debs[@]}" "$build"/*.ddeb || fail "lintian"

# Each package: files it must hold, and a pattern its Depends must match.
check() {
  local pkg=$1 depends=$2; shift 2
  local file; file=$(deb "$pkg")
  [ -f "$file" ] || { fail "$pkg: no $(basename "$file")"; return; }
  [ -f "$build/$pkg-dbgsym_${version}_$arch.ddeb" ] || [ "$pkg" = libeth-if-plcy-dev ] ||
    fail "$pkg: no -dbgsym package"
  local contents; contents=$(dpkg-deb -c "$file")
  for want in "$@" /usr/share/doc/$pkg/copyright /usr/share/doc/$pkg/changelog.Debian.gz; do
    grep -q " \.$want\( ->.*\)\?$" <<<"$contents" || fail "$pkg lacks $want"
  done
  local dep; dep=$(dpkg-deb -f "$file" Depends)
  grep -Eq "$depends" <<<"$dep" || fail "$pkg depends on '$dep', want /$depends/"
  echo "$pkg $version: $(wc -l <<<"$contents") entries; Depends: $dep"
}
lib=/usr/lib/$multiarch
exact="\(= $version\)"
check libeth-if-plcy0 "libeth-efp-util0 \(>= $upstream\) \| eth-efp-util-abi0.*libc6" \
  "$lib/libeth_if_plcy.so.0" "$lib/libeth_if_plcy.so.$upstream"
check libeth-efp-util0 'libc6' "$lib/libeth_efp_util.so.0"
check libeth-iftype0 '' "$lib/libeth_iftype.so.0"
check libeth-if-plcy-dev "libeth-if-plcy0 $exact" \
  /usr/include/eth_if_plcy/ether_interface_policy_api.h /usr/include/eth_if_plcy/eth_if_plcy.hpp \
  /usr/include/eth_if_plcy/standin/eth_efp_util.h "$lib/libeth_if_plcy.so" \
  "$lib/pkgconfig/eth_if_plcy.pc" "$lib/cmake/eth_if_plcy/eth_if_plcyConfig.cmake" \
  /usr/share/man/man3/eth_if_plcy_encode.3.gz /usr/share/man/man3/eth_if_plcy.hpp.3.gz
check ethplcy "libeth-if-plcy0 $exact.*libjansson4" \
  /usr/bin/ethplcy /usr/share/man/man1/ethplcy.1.gz /usr/share/bash-completion/completions/ethplcy \
  /usr/share/eth_if_plcy/policy.schema.json
check python3-eth-if-plcy "libeth-if-plcy0 $exact.*python3 \(>= 3.11\)" \
  /usr/lib/python3/dist-packages/eth_if_plcy/__init__.py
check wireshark-eth-if-plcy "libeth-if-plcy0 $exact.*libwireshark" \
  "$(pkg-config --variable=plugindir wireshark)/epan/eth_if_plcy.so"
if dpkg-deb -c "$(deb libeth-if-plcy0)" | grep -Eq '/include/|libeth_(efp_util|iftype)'; then
  fail "runtime package holds headers or a stand-in"
fi
symbols=$(dpkg-deb --ctrl-tarfile "$(deb libeth-if-plcy0)" | tar -xO ./symbols)
# The symbols file lists exactly what the library exports.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for pkg in "${packages[@]}"; do dpkg-deb -x "$(deb "$pkg")" "$work/root"; done
exported=$(objdump -T "$work/root$lib/libeth_if_plcy.so.$upstream" | awk '$2 == "g" && $NF !~ /^ETH_IF_PLCY/ && $(NF-1) ~ /^ETH_IF_PLCY/ { print $NF "@" $(NF-1) }' | sort)
[ "$exported" = "$(awk '/^ / { print $1 }' <<<"$symbols" | grep -v '^ETH_IF_PLCY' | sort)" ] ||
  fail "the symbols file does not list what the library exports"

# Unpacked into a throwaway root: the tool and a consumer run with no library path.
for binary in "$work/root/usr/bin/ethplcy" "$work/root$lib/libeth_if_plcy.so.$upstream"; do
  # Debian 12 builds no control-flow protection (neither dpkg-buildflags nor
  # glibc's start files carry it), so that one check is left out.
  hardening-check --quiet --nocfprotection "$binary" || fail "hardening-check $(basename "$binary")"
done
unset LD_LIBRARY_PATH
"$work/root/usr/bin/ethplcy" --version || fail "unpacked ethplcy does not run"
"$work/root/usr/bin/ethplcy" demo >/dev/null || fail "unpacked ethplcy demo fails"
pcdir=$work/root$lib/pkgconfig
grep -qx "prefix=/usr" "$pcdir/eth_if_plcy.pc" || fail "the packaged .pc file does not name /usr"
cc -std=c99 -Wall -Werror "$root/tests/install/consumer.c" -o "$work/consumer" \
  -I"$work/root/usr/include/eth_if_plcy" -L"$work/root$lib" -leth_if_plcy -Wl,-rpath,"$work/root$lib"
"$work/consumer" || fail "consumer against the unpacked library"
PYTHONPATH=$work/root/usr/lib/python3/dist-packages /usr/bin/python3 -c \
  "import eth_if_plcy; print('python', eth_if_plcy.lib_version())" || fail "unpacked Python package"

if [ "$(id -u)" -eq 0 ]; then
  "$root/scripts/check_installed_packages.sh" "$upstream" "${debs[@]}" || fail "installed packages"
else
  echo "not root: the installed-package checks are skipped"
fi
[ $status -eq 0 ] && echo "packages ok"
exit $status
