#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# CI can fail: .ci/run, run with every step it calls replaced by a stub,
# stops at the first step that fails (each step planted in turn) and runs
# to the end when none does; the scripts CI calls stop on errors and never
# announce success with `check && echo`, which under `set -e` goes on when
# the check fails; options that cannot go together are refused at configure.
#   check_ci.sh SOURCE_DIR
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

# The steps: every project script .ci/run names, and the outside commands.
mapfile -t scripts < <(grep -o '\(scripts\|fuzz\|bench\)/[a-z_0-9]*\.sh' "$src/.ci/run" | sort -u)
commands=(reuse)
[ ${#scripts[@]} -ge 8 ] || fail "found only ${#scripts[@]} scripts in .ci/run"
mkdir -p "$work/tree/.ci" "$work/bin"
cp "$src/.ci/run" "$work/tree/.ci/run"
stub() { # stub PATH NAME
  mkdir -p "$(dirname "$1")"
  printf '#!/bin/sh\necho %s >>"$STEPS"\nif [ "$PLANT" = %s ]; then exit 3; fi\n' "$2" "$2" >"$1"
  chmod +x "$1"
}
for s in "${scripts[@]}"; do stub "$work/tree/$s" "$s"; done
for c in "${commands[@]}"; do stub "$work/bin/$c" "$c"; done
run_ci() { # run_ci PLANT: exit status; steps in $work/steps, output in $work/out
  : >"$work/steps"
  PATH="$work/bin:$PATH" STEPS="$work/steps" PLANT=$1 bash "$work/tree/.ci/run" >"$work/out" 2>&1
}
rc=0
run_ci none || rc=$?
[ $rc -eq 0 ] || fail "with no step failing .ci/run exits $rc: $(tail -n 3 "$work/out")"
grep -q '^== done ==' "$work/out" || fail "with no step failing .ci/run does not reach its end"
for step in "${scripts[@]}" "${commands[@]}"; do
  rc=0
  run_ci "$step" || rc=$?
  [ $rc -ne 0 ] || fail ".ci/run exits 0 when $step fails"
  [ "$(tail -n 1 "$work/steps")" = "$step" ] || fail ".ci/run goes on after $step fails"
  ! grep -q '^== done ==' "$work/out" || fail ".ci/run reaches its end when $step fails"
done

# The scripts themselves: strict mode, and no `check && echo` success line.
for s in .ci/run "${scripts[@]}"; do
  grep -q '^set -euo pipefail' "$src/$s" || fail "$s does not start with set -euo pipefail"
  if grep -nE '&&[[:space:]]*(echo|printf)[[:space:]]' "$src/$s" | grep -v '^[0-9]*:[[:space:]]*#'; then
    fail "$s announces success after &&: a failure left of it would not stop the script"
  fi
done

# ASan and TSan in one build: refused when configured, not at the first compile.
if cmake -S "$src" -B "$work/both" -DETH_IF_PLCY_SANITIZE=ON -DETH_IF_PLCY_TSAN=ON \
  -DBUILD_TESTING=OFF >"$work/cmake.out" 2>&1; then
  fail "ETH_IF_PLCY_SANITIZE with ETH_IF_PLCY_TSAN is configured"
elif ! grep -q 'cannot both be ON' "$work/cmake.out"; then
  fail "ETH_IF_PLCY_SANITIZE with ETH_IF_PLCY_TSAN fails for another reason: $(tail -n 5 "$work/cmake.out")"
fi
if [ $status -eq 0 ]; then echo "ci checks: ${#scripts[@]} scripts and ${#commands[@]} commands each stop CI"; fi
exit $status
