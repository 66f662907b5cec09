#!/usr/bin/env bash
# Builds the project and walks one policy through its life.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" >/dev/null
"$build/examples/eth_if_plcy_example"
