#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The Python package as Python users install it, offline, into plain virtual
# environments (no system site packages):
#  - the wheel scripts/wheel.sh builds, installed with pip;
#  - a build from the source with the README's lines, run as they are written
#    there, with Debian's python3 and the packages their first line names.
# In each, the package imports from the environment; in the first the
# README's example also passes mypy --strict and runs.   scripts/check_venv.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The README's source install: its apt-get line's packages, then its other lines.
readme=$(awk '/^## Python/ { s = 1 } s && /^```sh/ { p = 1; next } p && /^```/ { exit } p' \
  "$root/README.md")
named=$(sed -n 's/^sudo apt-get install //p' <<<"$readme")
[ -n "$named" ] || { echo "the README's Python install names no packages"; exit 1; }
# shellcheck disable=SC2086 # the package names, one word each
"$root/scripts/deps.sh" python3-venv python3-pip python3-setuptools python3-wheel mypy $named
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
# Verbatim, in the source tree, with Debian's python3 first on the path.
(cd "$work/src" && PATH=/usr/bin:/bin bash -euo pipefail -c "$(grep -v '^sudo ' <<<"$readme")")
imports "$work/src/v" source
echo "venv installs ok"
