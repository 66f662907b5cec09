#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Each shared library exports its own operations and nothing else.
#   check_exports.sh LIBRARY REGEX [LIBRARY REGEX ...]
set -euo pipefail
status=0
while [ $# -ge 2 ]; do
  lib=$1 pattern=$2
  shift 2
  names=$(nm -D --defined-only "$lib" | awk '$2 != "A" { print $3 }')
  [ -n "$names" ] || { echo "$lib exports nothing"; status=1; }
  extra=$(printf '%s\n' "$names" | grep -v -E "$pattern" || true)
  if [ -n "$extra" ]; then
    echo "$lib also exports:"; printf '  %s\n' $extra; status=1
  fi
done
[ $status -eq 0 ] && echo "exports ok"
exit $status
