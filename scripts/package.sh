#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the Debian source and binary packages from debian/ the way a
# distribution does (dpkg-buildpackage on the committed tree, the upstream
# tarball made by git archive), checks them with lintian and, as root,
# installs them, runs their autopkgtest and purges them again.
#   scripts/package.sh [OUT_DIR]   (packages, .changes and the log land there)
# DEB_BUILD_OPTIONS passes through (nocheck skips the build-time tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-deb}")
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
"$root/scripts/deps.sh" dpkg-dev debhelper lintian git xz-utils
[ "$(id -u)" -ne 0 ] || "$root/scripts/deps.sh" autopkgtest
(cd "$root" && dpkg-checkbuilddeps 2>/dev/null) ||
  (cd "$root" && $sudo_cmd apt-get build-dep -y -qq ./ >/dev/null)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  echo "note: the tree has uncommitted changes; the packages are built from the last commit"

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
upstream=${version%-*}
arch=$(dpkg --print-architecture)
# Only what an earlier run left goes: OUT may hold other files.
rm -rf "$out/eth-if-plcy-$upstream" "$out/autopkgtest"
for p in eth-if-plcy $(sed -n 's/^Package: //p' "$root/debian/control"); do
  rm -f "$out/${p}"_* "$out/${p}"-dbgsym_*
done
mkdir -p "$out/eth-if-plcy-$upstream"
git -C "$root" archive --prefix="eth-if-plcy-$upstream/" HEAD ':!debian' |
  xz -6 >"$out/eth-if-plcy_$upstream.orig.tar.xz"
git -C "$root" archive HEAD | tar -x -C "$out/eth-if-plcy-$upstream"
echo "dpkg-buildpackage -us -uc: log in $out/build.log"
(cd "$out/eth-if-plcy-$upstream" && dpkg-buildpackage -us -uc >"$out/build.log" 2>&1) ||
  { tail -40 "$out/build.log"; exit 1; }
changes=$out/eth-if-plcy_${version}_$arch.changes
lintian --fail-on error,warning --tag-display-limit 0 "$changes"
echo "lintian: no error, no warning on $(basename "$changes")"

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the packages are not installed and their autopkgtest is not run"
  exit 0
fi
# The packages this build made: the .deb files its .changes lists.
mapfile -t debs < <(awk '/^Files:/ { f = 1; next } /^[^ ]/ { f = 0 }
                         f && $NF ~ /\.deb$/ { print dir "/" $NF }' dir="$out" "$changes")
packages=$(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done)
purge() { # shellcheck disable=SC2086
  apt-get purge -y -qq $packages >/dev/null 2>&1 || true; }
trap purge EXIT
purge
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[@]}" >/dev/null
# shellcheck disable=SC2086
files=$(dpkg -L $packages | sort -u)
autopkgtest --no-built-binaries --output-dir "$out/autopkgtest" "$out/eth-if-plcy-$upstream" -- null \
  >"$out/autopkgtest.log" 2>&1 || { tail -60 "$out/autopkgtest.log"; exit 1; }
sed 's/^/autopkgtest: /' "$out/autopkgtest/summary"
purge
left=$(while read -r f; do if [ -f "$f" ] || [ -L "$f" ]; then echo "$f"; fi; done <<<"$files")
[ -z "$left" ] || { echo "FAIL: left after purge: $left"; exit 1; }
echo "purged: nothing left of $(wc -l <<<"$files") paths"
