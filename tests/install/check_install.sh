#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Installs a build into a fresh prefix, builds outside programs against it
# (pkg-config; find_package in C, C++17 and C++20) and runs them and the
# installed ethplcy with no library path set.
#   check_install.sh BUILD_DIR [EXTRA_FLAGS]
set -euo pipefail
build=$1
flags=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
pc=$(find "$prefix" -name eth_if_plcy.pc)
libdir=$(dirname "$(dirname "$pc")")

# The prefix is given, since a build configured for /usr names /usr in its .pc.
# shellcheck disable=SC2046,SC2086
cc -std=c99 -Wall -Wextra -Werror $flags "$here/consumer.c" -Wl,-rpath,"$libdir" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --define-variable=prefix="$prefix" --cflags --libs eth_if_plcy) -o "$work/by_pkgconfig"
"$work/by_pkgconfig"

cmake -S "$here" -B "$work/by_cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags -Wall -Wextra -Werror" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/by_cmake" | grep -v "^\[" || true
for p in consumer consumer_cxx17 consumer_cxx; do "$work/by_cmake/$p"; done

# The installed headers sit in their own folder; stand-in headers apart.
test -f "$prefix/include/eth_if_plcy/ether_interface_policy_api.h"
test ! -e "$prefix/include/eth_efp_util.h"
# Each manual page's synopsis compiles as written, with pkg-config's flags.
if [ -d "$prefix/share/man/man3" ]; then
  cflags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --define-variable=prefix="$prefix" --cflags eth_if_plcy)
  includes=$(sed -n 's/^\.B \(#include <.*>\)$/\1/p' "$prefix"/share/man/man3/*.3 | sort -u)
  [ -n "$includes" ] || { echo "no #include line in the manual pages"; exit 1; }
  while read -r line; do
    case $line in
    *.hpp\>) compiler=(c++ -std=c++20 -x c++) ;;
    *) compiler=(cc -std=c99 -x c) ;;
    esac
    # shellcheck disable=SC2086
    printf '%s\nint main(void) { return 0; }\n' "$line" | "${compiler[@]}" $cflags -fsyntax-only - ||
      { echo "manual page synopsis does not compile: $line"; exit 1; }
  done <<<"$includes"
fi
if [ -x "$prefix/bin/ethplcy" ]; then
  "$prefix/bin/ethplcy" --version
  "$prefix/bin/ethplcy" demo >/dev/null
fi
python_dir=$(find "$prefix/lib" -path '*-packages/eth_if_plcy' -printf '%h')
if [ -n "$python_dir" ]; then
  PYTHONPATH=$python_dir /usr/bin/python3 -c \
    "import eth_if_plcy; print('python', eth_if_plcy.lib_version())"
fi
echo "install ok"
