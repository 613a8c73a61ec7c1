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

configure_and_test() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  # A failing test runs once more: the end-to-end and screen tests run whole
  # programs on the real clock and a loaded machine can starve one of them.
  # A fault fails both runs; the output shows every failed first run.
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 --repeat until-pass:2
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
