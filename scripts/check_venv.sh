#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The Python package as Python users install it: a fresh virtual environment
# (seeing Debian's packages, for setuptools and the test tools), then
# `pip install --no-build-isolation .` from this tree, offline, which builds
# the native module for the environment's interpreter; the README's example
# then passes mypy --strict and runs there.   scripts/check_venv.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" python3-venv python3-pip python3-setuptools mypy python3-hypothesis python3-pytest
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
mkdir "$work/src" # a copy: pip writes its build files into the tree
tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/src" -xf -
(cd "$work/src" && "$work/venv/bin/pip" install -q --no-build-isolation --no-index .)
"$work/venv/bin/python" -c "import eth_if_plcy, sys; assert eth_if_plcy.__file__.startswith(sys.prefix); print('venv:', eth_if_plcy.__file__)"
"$root/tests/python/check_example.sh" "$work/venv/bin/python" "$root"
echo "venv install ok"
