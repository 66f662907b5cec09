#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Builds the Python package as a wheel (the library compiled into its native
# module) for Debian's python3, offline, from a copy of this tree so that no
# build file lands in it.   scripts/wheel.sh [OUT_DIR]   (default: dist)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/dist}")
"$root/scripts/deps.sh" python3-dev python3-pip python3-setuptools python3-wheel >&2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -C "$root" --exclude='./build*' --exclude=./.git --exclude=./dist -cf - . | tar -C "$work" -xf -
mkdir -p "$out"
/usr/bin/python3 -m pip wheel -q --no-build-isolation --no-deps --no-index -w "$out" "$work" >&2
ls "$out"/eth_if_plcy-*.whl
