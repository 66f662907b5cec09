#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The Python package as Python users install it, offline, into plain virtual
# environments (no system site packages):
#  - the wheel scripts/wheel.sh builds, installed with pip;
#  - a build from the source with the README's command (the venv gets
#    Debian's wheel package first, as pip's setuptools needs it to build).
# In each, the package imports from the environment; in the first the
# README's example also passes mypy --strict and runs.   scripts/check_venv.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" python3-venv python3-pip python3-setuptools python3-wheel python3-wheel-whl mypy
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
imports() {
  "$1/bin/python" -c "import eth_if_plcy, sys; assert eth_if_plcy.__file__.startswith(sys.prefix); \
p = eth_if_plcy.Policy.from_dict({'mtu': 9000}); assert eth_if_plcy.Policy.decode(p.encode()) == p; \
print('$2:', eth_if_plcy.__file__)"
}
wheel=$("$root/scripts/wheel.sh" "$work/dist")
/usr/bin/python3 -m venv "$work/wheel"
"$work/wheel/bin/pip" install -q --no-index "$wheel"
imports "$work/wheel" wheel
"$root/tests/python/check_example.sh" "$work/wheel/bin/python" "$root" example
mkdir "$work/src"
tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/src" -xf -
/usr/bin/python3 -m venv "$work/source"
(cd "$work/src" && "$work/source/bin/pip" install -q --no-index /usr/share/python-wheels/wheel-*.whl &&
  "$work/source/bin/pip" install -q --no-build-isolation --no-index .)
imports "$work/source" source
echo "venv installs ok"
