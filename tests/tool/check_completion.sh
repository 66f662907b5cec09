#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Drives the bash completion function as bash does (COMP_WORDS, COMP_CWORD,
# then COMPREPLY), in a folder holding a file with blanks and a folder.
#   check_completion.sh COMPLETION_FILE
set -euo pipefail
source "$1"
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT
touch "file with space.hex" other.hex
mkdir dumps
status=0
# complete WANT WORD... : the words as bash splits the line ("=" is a word
# break), the last one being completed; WANT is COMPREPLY joined by "|".
complete_as() {
  local want=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _ethplcy || true
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd '|')
  [ "$got" = "$want" ] || { echo "FAIL: ${*}: got '$got', want '$want'"; status=1; }
}
complete_as "show" ethplcy sh
complete_as "compact" ethplcy show --layout c
complete_as "compact" ethplcy show --layout = c
complete_as "brief|compact|full" ethplcy show --layout =
complete_as "-c" ethplcy diff -c
complete_as "--names" ethplcy diff --na
complete_as "file with space.hex" ethplcy show "file w"
complete_as "dumps|file with space.hex|other.hex" ethplcy show -o ""
complete_as "dumps" ethplcy encode --output = d
[ $status -eq 0 ] && echo "completion ok"
exit $status
