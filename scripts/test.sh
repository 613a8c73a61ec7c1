#!/usr/bin/env bash
# Installs what is missing, checks that no include crosses a layer upward
# (scripts/check-layers.py), builds every configuration and runs every test:
#   1. AddressSanitizer + UndefinedBehaviorSanitizer debug build (benchmarks
#      included, so they keep compiling), all tests;
#   2. ThreadSanitizer build of the tests that exercise threads;
#   3. clang/libFuzzer build, each fuzz target for a few seconds.
# 2 and 3 run beside the tests of 1: those tests mostly wait on the
# screens and the stand-ins. The two builds take, at the lowest priority,
# only the processor time the tests leave; the thread-sanitizer tests start
# as soon as their build is done, at the tests' priority (they too mostly
# wait); the fuzz targets follow their build at the lowest priority (each
# runs for a fixed time, so waiting for the tests to end would only add
# that time to the run). Each of these lanes writes its own log in build/
# (lane-tsan.log, lane-fuzz.log), shown when it fails.
# Every test runs once, under the sanitizers: a plain debug build would run
# the same tests again and catch nothing they miss (build one with
# `cmake -B build/debug` for a debugger). A failing test is not run again:
# a fault that shows one time in two is a fault.
#
# FUZZ_SECONDS (default 5) sets the fuzzing time per target.
# CASHDESK_TEST_TIME_FACTOR (default 4) multiplies every wall-clock limit of
# the tests' waits and every ctest time-out (tests/support/TestTime.h): a
# test goes on the moment what it waits for comes, so the factor costs
# nothing on a quick machine and keeps a loaded one from failing tests that
# are only slow.
# At the end: the time of every phase and the slowest 25 tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-5}
factor=${CASHDESK_TEST_TIME_FACTOR:-4}
case "$factor" in ''|*[!0-9]*|0) echo "test.sh: CASHDESK_TEST_TIME_FACTOR takes a number from 1" >&2; exit 1 ;; esac
export CASHDESK_TEST_TIME_FACTOR=$factor
# kktsim's store leaves its flushes to the system (tools/kktsim/README.md):
# a disk busy with other work must not hold a reply past the program's wait.
export KKTSIM_NO_SYNC=${KKTSIM_NO_SYNC-1}

phases=()
phase_start=$SECONDS
# Ends the phase begun at the last call: its name and time go to the summary.
phase_done() {
  phases+=("$(printf '%-38s %5d s' "$1" $((SECONDS - phase_start)))")
  phase_start=$SECONDS
}
ctest_logs=()
lanes=()
summary() {
  local status=$?
  # A run ended early also ends the lanes beside it (their process groups).
  local pid
  for pid in ${lanes[@]+"${lanes[@]}"}; do
    kill -- -"$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo
  echo "== time of each phase"
  printf '  %s\n' "${phases[@]}"
  printf '  %-38s %5d s\n' "total" "$SECONDS"
  if [ ${#ctest_logs[@]} -gt 0 ]; then
    echo "== the slowest 25 tests"
    scripts/slowest-tests.sh 25 "${ctest_logs[@]}" || true
  fi
  [ "$status" -eq 0 ] || echo "== FAILED (status $status)"
}
trap summary EXIT

scripts/deps.sh
phase_done "packages"

echo "== include check"
python3 scripts/check-layers.py
phase_done "include check"

# ctest with its output kept in the build folder for the summary.
run_ctest() {
  local dir=$1; shift
  ctest_logs+=("$dir/ctest.log")
  local status=0
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$dir/ctest.log" || status=$?
  return "$status"
}

echo "== sanitizer build and tests"
cmake -S "$root" -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCASHDESK_SANITIZE=ON -DCASHDESK_BENCH=ON \
  -DCASHDESK_TEST_TIME_FACTOR="$factor" >/dev/null
cmake --build build/asan -j "$jobs"
phase_done "sanitizer build"

# The lanes beside the tests (see the top), each in its own process group
# (set -m) so that the summary can end it, in this session so that the low
# priority counts against the tests.
echo "== beside the tests: the thread-sanitizer build and tests (build/lane-tsan.log), the fuzzing build and the fuzz targets, ${fuzz_seconds}s each (build/lane-fuzz.log)"
set -m
(
  nice -n 19 scripts/tsan.sh '^$' && scripts/tsan.sh
) >build/lane-tsan.log 2>&1 &
tsan_lane=$!
(
  CC=clang CXX=clang++ nice -n 19 cmake -S "$root" -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCASHDESK_FUZZ=ON && nice -n 19 cmake --build build/fuzz -j "$jobs" &&
  echo "== fuzz targets (${fuzz_seconds}s each)" && nice -n 19 scripts/fuzz.sh build/fuzz "$fuzz_seconds"
) >build/lane-fuzz.log 2>&1 &
fuzz_lane=$!
set +m
lanes=("$tsan_lane" "$fuzz_lane")

# Two tests a core: they mostly wait on screens and stand-ins (two cores
# were about 60 % busy with four at a time, and the phase took half as long
# as with two).
run_ctest build/asan -j $((2 * jobs)) --timeout $((300 * factor))
phase_done "sanitizer tests"

# Waits for a lane; a failed one shows the end of its log and ends the run.
finish_lane() {
  local pid=$1 log=$2 what=$3 status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    tail -80 "$log"
    echo "== $what failed ($log)"
    exit "$status"
  fi
}
finish_lane "$tsan_lane" build/lane-tsan.log "the thread-sanitizer build or tests"
ctest_logs+=(build/tsan/ctest.log)
grep -E "tests passed|Total Test time" build/tsan/ctest.log | sed 's/^/thread sanitizer: /'
finish_lane "$fuzz_lane" build/lane-fuzz.log "the fuzzing build or a fuzz target"
echo "fuzz targets run: $(grep -c '^-- fuzz_' build/lane-fuzz.log || true)"
lanes=()
phase_done "rest of the lanes beside the tests"

echo "== all tests passed"
