#!/usr/bin/env bash
# Installs a build into a scratch prefix and builds an outside C program
# against it, once with pkg-config and once with find_package.
#   check_install.sh BUILD_DIR SOURCE_DIR [EXTRA_C_FLAGS]
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(dirname "$(find "$work/prefix" -name 'libeth_if_plcy.so' | head -n 1)")

# shellcheck disable=SC2046,SC2086
cc -std=c99 -Wall -Wextra -Werror $flags "$here/consumer.c" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs eth_if_plcy) -o "$work/by_pkgconfig"
LD_LIBRARY_PATH="$libdir" "$work/by_pkgconfig"

cmake -S "$here" -B "$work/by_cmake" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/by_cmake" >/dev/null
"$work/by_cmake/consumer"
