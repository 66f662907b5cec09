#!/usr/bin/env bash
# Builds the project and runs `ethplcy demo`: one policy through its life.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" >/dev/null
"$build/tools/ethplcy/ethplcy" demo
