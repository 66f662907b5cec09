#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# mypy --strict over the package, its tests and the README's Python example
# (the package as PYTHON sees it), then runs the example with PYTHON. With
# "example", the example alone (PYTHON's environment may lack the test tools).
#   check_example.sh PYTHON SOURCE_DIR [example]
set -euo pipefail
python=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk '/^## Python/ { s = 1 } s && /^```python/ { p = 1; next } p && /^```/ { exit } p' \
  "$src/README.md" >"$work/readme_example.py"
[ -s "$work/readme_example.py" ] || { echo "no Python example in the README"; exit 1; }
MYPYPATH=${PYTHONPATH:-} mypy --strict --no-incremental --cache-dir=/dev/null \
  --python-executable "$python" $([ "${3:-}" = example ] || echo "$src/tests/python") \
  "$work/readme_example.py"
"$python" "$work/readme_example.py"
