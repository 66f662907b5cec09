#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages (runtime, development, tool) with CPack, checks
# their contents and dependencies with dpkg-deb, unpacks them into a
# throwaway root and runs the unpacked ethplcy and a consumer built against
# the unpacked library.   scripts/package.sh [BUILD_DIR]   (.debs land there)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-deb}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DETH_IF_PLCY_BUILD_TOOL=ON -DETH_IF_PLCY_BUILD_DOCS=ON -DETH_IF_PLCY_BUILD_PYTHON=ON \
  -DETH_IF_PLCY_BUILD_BENCH=OFF -DETH_IF_PLCY_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^#define ETH_IF_PLCY_VERSION_STRING "\(.*\)"/\1/p' \
  "$root/l2protocols/ethernet/infra/common/include/ether_interface_policy_api.h")
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
status=0
fail() { echo "FAIL: $*"; status=1; }
deb() { echo "$build/$1_${version}_$arch.deb"; }
# Each package: files it must hold, and a pattern its Depends must match.
check() {
  local pkg=$1 depends=$2; shift 2
  local file; file=$(deb "$pkg")
  [ -f "$file" ] || { fail "$pkg: no $(basename "$file")"; return; }
  local contents; contents=$(dpkg-deb -c "$file")
  for want in "$@" "./usr/share/doc/$pkg/copyright"; do
    grep -q " $want\( ->.*\)\?$" <<<"$contents" || fail "$pkg lacks $want"
  done
  local dep; dep=$(dpkg-deb -f "$file" Depends)
  grep -Eq "$depends" <<<"$dep" || fail "$pkg depends on '$dep', want /$depends/"
  echo "$pkg $version: $(wc -l <<<"$contents") entries; Depends: $dep"
}
lib=./usr/lib/$multiarch
check libeth-if-plcy0 'libc6 \(>= [0-9.]+\)' "$lib/libeth_if_plcy.so.0" "$lib/libeth_if_plcy.so.$version" \
  "$lib/libeth_efp_util.so.0" "$lib/libeth_iftype.so.0"
check libeth-if-plcy-dev "libeth-if-plcy0 \(= $version\)" \
  ./usr/include/eth_if_plcy/ether_interface_policy_api.h ./usr/include/eth_if_plcy/eth_if_plcy.hpp \
  ./usr/include/eth_if_plcy/standin/eth_efp_util.h "$lib/libeth_if_plcy.so" \
  "$lib/pkgconfig/eth_if_plcy.pc" "$lib/cmake/eth_if_plcy/eth_if_plcyConfig.cmake" \
  ./usr/share/man/man3/eth_if_plcy_encode.3
check ethplcy "libeth-if-plcy0 \(= $version\).*libjansson4|libjansson4.*libeth-if-plcy0 \(= $version\)" \
  ./usr/bin/ethplcy ./usr/share/man/man1/ethplcy.1 ./usr/share/bash-completion/completions/ethplcy
check python3-eth-if-plcy "libeth-if-plcy0 \(= $version\).*python3 \(>= 3.11\)" \
  ./usr/lib/python3/dist-packages/eth_if_plcy/__init__.py
if dpkg-deb -c "$(deb libeth-if-plcy0)" | grep -q '/include/'; then fail "runtime package holds headers"; fi

# Unpacked into a throwaway root: the tool and a consumer run with no library path.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for pkg in libeth-if-plcy0 libeth-if-plcy-dev ethplcy python3-eth-if-plcy; do
  dpkg-deb -x "$(deb "$pkg")" "$work/root"
done
unset LD_LIBRARY_PATH
"$work/root/usr/bin/ethplcy" --version || fail "unpacked ethplcy does not run"
"$work/root/usr/bin/ethplcy" demo >/dev/null || fail "unpacked ethplcy demo fails"
pcdir=$work/root/usr/lib/$multiarch/pkgconfig
# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror "$root/tests/install/consumer.c" -o "$work/consumer" \
  $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs eth_if_plcy) -Wl,-rpath,"$work/root/usr/lib/$multiarch"
"$work/consumer" || fail "consumer against the unpacked library"
# Python finds packages only on its path: the unpacked dist-packages stands in for /usr's.
PYTHONPATH=$work/root/usr/lib/python3/dist-packages /usr/bin/python3 -c \
  "import eth_if_plcy; print('python', eth_if_plcy.lib_version())" || fail "unpacked Python package"
[ $status -eq 0 ] && echo "packages ok"
exit $status
