#!/usr/bin/env bash
# Instruction count of whole-screen redraws (form over a background picture
# with a status line, copied to the screen) under callgrind: repeatable where
# wall time is not. Prints the instructions per redraw; gates nothing.
# Usage: scripts/ui_redraw_callgrind.sh [redraws (default 20)] [build dir (default build/release)]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
count=${1:-20}
dir=${2:-build/release}
command -v valgrind >/dev/null || { echo "valgrind is missing (scripts/deps.sh installs it)" >&2; exit 1; }

if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$dir" --target vu_ui_redraw_count >/dev/null

out=$(mktemp /tmp/callgrind.ui.XXXXXX)
trap 'rm -f "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out" --collect-atstart=no \
  --toggle-collect=RedrawScreens "$dir/bench/vu_ui/vu_ui_redraw_count" "$count" >/dev/null 2>&1
total=$(awk '/^(summary|totals):/ { print $2; exit }' "$out")
[ -n "$total" ] || { echo "no instruction count in the callgrind output" >&2; exit 1; }
echo "redraws:                $count"
echo "instructions:           $total"
echo "instructions per redraw: $(( total / count ))"
