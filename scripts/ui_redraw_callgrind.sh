#!/usr/bin/env bash
# Instruction counts of the program's main menu (res/ through its loader,
# 240 x 320) under callgrind, repeatable where wall time is not: per redraw
# into the back buffer without the copy, and per copy of the whole screen,
# each counted on its own (valgrind counts a `rep movsb` copy once per
# byte, so the copy's count is not comparable with the drawing's). Prints
# the counts and the functions that take most of the redraw; gates nothing.
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

work=$(mktemp -d /tmp/callgrind.ui.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Instructions inside one function of the program, over the whole run.
count_in() {
  valgrind --tool=callgrind --callgrind-out-file="$work/$1.out" --collect-atstart=no \
    --toggle-collect="$1" "$dir/bench/vu_ui/vu_ui_redraw_count" "$count" >/dev/null 2>&1
  local total
  total=$(awk '/^(summary|totals):/ { print $2; exit }' "$work/$1.out")
  [ -n "$total" ] || { echo "no instruction count in the callgrind output" >&2; exit 1; }
  echo "$total"
}
redraw=$(count_in RedrawScreens)
copy=$(count_in CopyScreens)
echo "redraws and copies:          $count"
echo "instructions per redraw:     $(( redraw / count ))  (into the back buffer, without the copy)"
echo "instructions per copy:       $(( copy / count ))  (the whole screen)"
if command -v callgrind_annotate >/dev/null; then
  echo "where the redraw goes (instructions of each function itself, top 8):"
  callgrind_annotate "$work/RedrawScreens.out" 2>/dev/null |
    awk '/^-+$/ { n++; next } n >= 4 && NF && !/PROGRAM TOTALS|file:function|^ *Ir *$/ {
           sub(/ \[.*\]$/, ""); sub(/\?\?\?:/, ""); print "  " $0 }' | head -8
fi
