#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
#   1. AddressSanitizer + UndefinedBehaviorSanitizer debug build (benchmarks
#      included, so they keep compiling), all tests;
#   2. ThreadSanitizer build of the tests that exercise threads;
#   3. clang/libFuzzer build, each fuzz target for a few seconds.
# Every test runs once, under the sanitizers: a plain debug build would run
# the same tests again and catch nothing they miss (build one with
# `cmake -B build/debug` for a debugger).
# FUZZ_SECONDS (default 5) sets the fuzzing time per target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-5}

tour_pid=""
trap '[ -z "$tour_pid" ] || kill "$tour_pid" 2>/dev/null || true' EXIT

configure_and_test() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  # A failing test runs once more: the end-to-end and screen tests run whole
  # programs on the real clock and a loaded machine can starve one of them.
  # A fault fails both runs; the output shows every failed first run.
  local run=(--output-on-failure --timeout 300 --repeat until-pass:2)
  # The screen tour's four runs spend most of their time waiting for the
  # program's next screen (about a third of one core between them), so they
  # run beside the other tests instead of taking their places.
  # Without private IPC namespaces the tests that use the controller queue
  # share a lock only one ctest can hold: then everything runs in one.
  if ! unshare --ipc true 2>/dev/null; then
    ctest --test-dir "$dir" -j "$jobs" "${run[@]}"
    return
  fi
  local tour='^Sizes/Tour\.' tour_log="$dir/tour.log" status=0 tour_status=0
  ctest --test-dir "$dir" -R "$tour" -j 4 "${run[@]}" >"$tour_log" 2>&1 &
  tour_pid=$!
  ctest --test-dir "$dir" -E "$tour" -j "$jobs" "${run[@]}" || status=$?
  wait "$tour_pid" || tour_status=$?
  tour_pid=""
  echo "-- the screen tour"
  cat "$tour_log"
  [ "$status" -eq 0 ] && [ "$tour_status" -eq 0 ]
}

echo "== sanitizer build and tests"
configure_and_test build/asan -DCMAKE_BUILD_TYPE=Debug -DCASHDESK_SANITIZE=ON -DCASHDESK_BENCH=ON

echo "== thread sanitizer: UI thread tests"
scripts/tsan.sh

echo "== fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S "$root" -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCASHDESK_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs"
scripts/fuzz.sh build/fuzz "$fuzz_seconds"

echo "== all tests passed"
