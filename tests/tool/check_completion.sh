#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# The bash completion that `ethplcy completion` writes: driven as bash does
# (COMP_WORDS, COMP_CWORD, then COMPREPLY) in a folder holding a file with
# blanks and a folder; every command of `ethplcy --help` and every option of
# each command's usage completes; and a real interactive bash under tmux
# completes every command, and an option and its value, as a person types them.
#   check_completion.sh ETHPLCY COMPLETION_FILE
set -euo pipefail
tool=$1 script=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
source "$script"
cd "$(mktemp -d)"
session=ethplcy-completion-$$ # one per run: runs in parallel must not share it
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$PWD"' EXIT
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
complete_as "schema|serve|show|stats" ethplcy s
complete_as "compact" ethplcy show --layout c
complete_as "compact" ethplcy show --layout = c
complete_as "brief|compact|full" ethplcy show --layout =
complete_as "-c" ethplcy diff -c
complete_as "--names" ethplcy diff --na
complete_as "sub.admin_up|sub.efp_filtering|sub.parent|sub.src_bypass_filter" ethplcy diff --key sub.
complete_as "file with space.hex" ethplcy show "file w"
complete_as "dumps|file with space.hex|other.hex" ethplcy show -o ""
complete_as "dumps" ethplcy encode --output = d
complete_as "" ethplcy schema ""

# Every command the usage lists, and every option of its usage, completes.
commands=$("$tool" --help | sed -n '/^commands:/,/^$/p' | awk 'NF > 1 && /^  [a-z]/ {print $1}')
[ "$(wc -w <<<"$commands")" -ge 7 ] || { echo "FAIL: commands from --help: $commands"; status=1; }
for cmd in $commands; do
  complete_as "$cmd" ethplcy "$cmd"
  for opt in $("$tool" "$cmd" --help | grep -oE -- '^  +(-[a-z], )?--[a-z-]+' | grep -o -- '--[a-z-]*'); do
    COMP_WORDS=(ethplcy "$cmd" "$opt") COMP_CWORD=2 COMPREPLY=()
    _ethplcy || true
    printf '%s\n' "${COMPREPLY[@]}" | grep -qx -- "$opt" || { echo "FAIL: $cmd $opt does not complete"; status=1; }
  done
done

# A real bash, typing.
if command -v tmux >/dev/null; then
  typed() { # KEYS... then the line the screen shows
    tmux send-keys -t "$session" C-u "$@"
    sleep 0.5
    tmux capture-pane -p -t "$session" | grep -v '^$' | tail -n 1
  }
  tmux new-session -d -s "$session" -x 150 -y 20 "env -i PS1='$ ' TERM=dumb bash --norc --noprofile"
  sleep 0.3
  tmux send-keys -t "$session" "source '$script'" Enter
  for cmd in $commands; do # each command from its first three letters
    line=$(typed "ethplcy ${cmd:0:3}" Tab)
    [ "$line" = "\$ ethplcy $cmd" ] || { echo "FAIL: bash completed 'ethplcy ${cmd:0:3}' as '$line'"; status=1; }
  done
  line=$(typed "ethplcy show --lay" Tab "b" Tab)
  [ "$line" = '$ ethplcy show --layout brief' ] || { echo "FAIL: bash completed --lay as '$line'"; status=1; }
else
  echo "tmux not installed: the interactive check is skipped"
fi
[ $status -eq 0 ] && echo "completion ok"
exit $status
