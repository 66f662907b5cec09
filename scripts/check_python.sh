#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The Python module under two instruments, each built from a copy of this
# tree with setup.py (library compiled in):
#  - Debian's debug interpreter, python3-dbg, whose headers count every
#    reference the module takes and drops: tests/python/check_refs.py runs
#    every hostile case and the everyday calls many times, failing on growth;
#  - AddressSanitizer and UndefinedBehaviorSanitizer, under the release
#    interpreter (the runtime preloaded): the binding's tests.
#   scripts/check_python.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" python3-dbg python3-dev python3-setuptools python3-pytest python3-hypothesis
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for kind in dbg asan; do
  mkdir "$work/$kind"
  tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/$kind" -xf -
done
(cd "$work/dbg" && python3-dbg setup.py -q build_ext --inplace -j 2 >/dev/null 2>&1)
PYTHONPATH="$work/dbg/python:$root/tests/python" ETH_IF_PLCY_SOURCE="$root" PYTHONDONTWRITEBYTECODE=1 \
  python3-dbg "$root/tests/python/check_refs.py"
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
(cd "$work/asan" && CFLAGS="$sanitize" LDFLAGS="$sanitize" /usr/bin/python3 setup.py -q build_ext \
  --inplace -j 2 >/dev/null 2>&1)
# The interpreter is not instrumented: the runtime comes first, and the
# interpreter's own allocations at exit are not this module's leaks.
LD_PRELOAD="$(gcc -print-file-name=libasan.so):$(gcc -print-file-name=libubsan.so)" \
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  PYTHONPATH="$work/asan/python" ETH_IF_PLCY_SOURCE="$root" PYTHONDONTWRITEBYTECODE=1 \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider "$root/tests/python"
echo "python module: no reference leaks; clean under ASan+UBSan"
