#!/usr/bin/env bash
# Builds what a run needs and runs the system on this machine's stand-ins
# (scripts/sandbox.sh; the options are its own). Only the program, the
# stand-ins and the viewer are built, optimised with debugging information,
# in build/run: no tests, no sanitizers, so the first screen comes within
# minutes on a fresh machine. scripts/test.sh builds and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/run

# What this run needs besides the program and the stand-ins.
targets=(cashdesk kktsim srvsim fbshot)
headless=0
for arg in "$@"; do
  case "$arg" in
    --headless) headless=1 ;;
    --bt) targets+=(bt) ;;
    --bt-partial) targets+=(bt_partial) ;;
    --scanner) targets+=(scanfeed) ;;
    --build) echo "run.sh: builds and runs $build; use scripts/sandbox.sh --build DIR for another build" >&2; exit 1 ;;
  esac
done
[ "$headless" = 1 ] || targets+=(termview)

echo "run.sh: checking the packages the build needs"
scripts/deps.sh
echo "run.sh: configuring $build (RelWithDebInfo)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCASHDESK_BENCH=OFF >/dev/null
echo "run.sh: building ${targets[*]} in $build"
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
echo "run.sh: starting the stand-ins and the program"
exec scripts/sandbox.sh --build "$(pwd)/$build" "$@"
