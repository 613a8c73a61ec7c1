#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for the given number of seconds,
# as many at a time as there are cores (FUZZ_JOBS sets another number).
# Seeds come from fuzz/<target>/corpus when present; findings land in
# build/fuzz-artifacts. Usage: scripts/fuzz.sh <build-dir> [seconds]
# An input that runs longer than 10 seconds is a finding; the test command,
# which runs the targets at the lowest priority beside its tests, stretches
# that limit by CASHDESK_TEST_TIME_FACTOR as it does the tests' waits.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
seconds=${2:-5}
jobs=${FUZZ_JOBS:-$(nproc)}
case "$jobs" in ''|*[!0-9]*|0) echo "fuzz.sh: FUZZ_JOBS takes a number from 1" >&2; exit 1 ;; esac
factor=${CASHDESK_TEST_TIME_FACTOR:-1}
case "$factor" in ''|*[!0-9]*|0) echo "fuzz.sh: CASHDESK_TEST_TIME_FACTOR takes a number from 1" >&2; exit 1 ;; esac
input_limit=$((10 * factor))
artifacts=build/fuzz-artifacts
mkdir -p "$artifacts"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# One target: its own scratch corpus beside the seeds; the log stays in
# $logs/<name>.log, and $logs/<name>.failed marks a failure.
run_target() {
  local target=$1 name work d
  name=$(basename "$target")
  work=$(mktemp -d)
  local seeds=()
  for d in fuzz/*/corpus/"$name" fuzz/*/"$name".corpus; do
    [ -d "$d" ] && seeds+=("$d")
  done
  if ! ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="$seconds" -timeout="$input_limit" -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/$name-" -print_final_stats=0 "$work" ${seeds[@]+"${seeds[@]}"} \
        >"$logs/$name.log" 2>&1; then
    touch "$logs/$name.failed"
  fi
  rm -rf "$work"
}

mapfile -t targets < <(find "$build/fuzz" -type f -executable -name 'fuzz_*' 2>/dev/null | sort)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets yet"
  exit 0
fi
running=0
for target in "${targets[@]}"; do
  echo "-- $(basename "$target")"
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  if [ -e "$logs/$name.failed" ]; then
    echo "FAILED: $name"
    tail -40 "$logs/$name.log"
    status=1
  fi
done
exit $status
