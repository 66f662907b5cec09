#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The packaging in debian/ matches the build: the changelog's newest entry is
# this release, and each library exports exactly what its symbols file lists
# (the check dh_makeshlibs makes, here on every test run), each at the
# release its version node was added in (the version script says which).
#   check_debian.sh SOURCE_DIR RELEASE PACKAGE=LIBRARY...
set -euo pipefail
source=$1
debian=$source/debian
release=$2
shift 2
status=0
version=$(dpkg-parsechangelog -l "$debian/changelog" -S Version)
[ "${version%-*}" = "$release" ] || { echo "debian/changelog is at $version, the release is $release"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for pair in "$@"; do
  package=${pair%%=*}
  dpkg-gensymbols -q -c4 -p"$package" -v"$version" -e"${pair#*=}" -I"$debian/$package.symbols" \
    -P"$work" -O"$work/symbols" || { echo "$package: see debian/$package.symbols"; status=1; }
done
added=$(awk '/Added in/ { v = $4; sub(/\.$/, "", v) } /^[A-Z0-9_.]+ \{/ { print $1, v }' \
  "$source/l2protocols/ethernet/infra/common/src/libeth_if_plcy.map")
wrong=$(awk 'NR == FNR { at[$1] = $2; next } /^ / { split($1, s, "@"); if (at[s[2]] != $2) print }' \
  <(echo "$added") "$debian/libeth-if-plcy0.symbols")
[ -z "$wrong" ] || { printf 'not at the release their node was added in:\n%s\n' "$wrong"; status=1; }
[ $status -eq 0 ] && echo "debian/ ok: $version"
exit $status
