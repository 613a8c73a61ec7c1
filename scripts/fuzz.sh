#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for the given number of seconds.
# Seeds come from fuzz/<target>/corpus when present; findings land in
# build/fuzz-artifacts. Usage: scripts/fuzz.sh <build-dir> [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
seconds=${2:-5}
artifacts=build/fuzz-artifacts
mkdir -p "$artifacts"
status=0
found=0
while IFS= read -r target; do
  found=1
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=()
  for d in fuzz/*/corpus/"$name" fuzz/*/"$name".corpus; do
    [ -d "$d" ] && seeds+=("$d")
  done
  echo "-- $name"
  if ! ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/$name-" -print_final_stats=0 "$work" "${seeds[@]}" >"$work.log" 2>&1; then
    echo "FAILED: $name"; tail -40 "$work.log"; status=1
  fi
  rm -rf "$work" "$work.log"
done < <(find "$build/fuzz" -type f -executable -name 'fuzz_*' 2>/dev/null | sort)
[ "$found" -eq 1 ] || echo "no fuzz targets yet"
exit $status
