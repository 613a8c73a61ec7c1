#!/usr/bin/env bash
# The load check: every test of the sanitizer build and of the thread
# sanitizer build, pinned to two cores while a CPU hog keeps both of them
# busy, several rounds in a row, without reruns. Stops at the first round
# with a failure and names the tests that failed; the ctest output of every
# round stays in build/stress/.
#
#   scripts/stress-test.sh [--rounds N] [--cores LIST] [--hogs N] [--tests REGEX]
#
# --rounds  rounds in a row (default 5)
# --cores   the cores to pin to, as taskset takes them (default 0,1)
# --hogs    busy processes on those cores (default: one per core)
# --tests   only the sanitizer build's tests matching REGEX (ctest -R),
#           no thread sanitizer build: to chase one failure
#
# The builds come first and are not pinned (scripts/test.sh builds them the
# same way). CASHDESK_TEST_TIME_FACTOR as for scripts/test.sh (default 4).
# The hogs are this script's own processes, ended by their ids.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

rounds=5
cores=0,1
hogs=""
tests=""
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift ;;
    --cores) cores=$2; shift ;;
    --hogs) hogs=$2; shift ;;
    --tests) tests=$2; shift ;;
    *) echo "stress-test.sh: unknown option $1" >&2; exit 1 ;;
  esac
  shift
done
case "$rounds" in ''|*[!0-9]*|0) echo "stress-test.sh: --rounds takes a number from 1" >&2; exit 1 ;; esac
if ! taskset -c "$cores" true 2>/dev/null; then
  echo "stress-test.sh: cannot pin to cores $cores" >&2
  exit 1
fi
ncores=$(taskset -c "$cores" nproc)
[ -n "$hogs" ] || hogs=$ncores
case "$hogs" in ''|*[!0-9]*) echo "stress-test.sh: --hogs takes a number" >&2; exit 1 ;; esac
factor=${CASHDESK_TEST_TIME_FACTOR:-4}
case "$factor" in ''|*[!0-9]*|0) echo "stress-test.sh: CASHDESK_TEST_TIME_FACTOR takes a number from 1" >&2; exit 1 ;; esac
export CASHDESK_TEST_TIME_FACTOR=$factor
# kktsim's store leaves its flushes to the system (tools/kktsim/README.md):
# a disk busy with other work must not hold a reply past the program's wait.
export KKTSIM_NO_SYNC=${KKTSIM_NO_SYNC-1}

scripts/deps.sh
echo "== building the sanitizer build and the thread sanitizer tests"
cmake -S "$root" -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCASHDESK_SANITIZE=ON -DCASHDESK_BENCH=ON \
  -DCASHDESK_TEST_TIME_FACTOR="$factor" >/dev/null
cmake --build build/asan -j "$(nproc)"
# tsan.sh builds its tests; its test pattern is taken from it below.
tsan_pattern=$(sed -nE 's/^pattern=\$\{1:-(.*)\}$/\1/p' scripts/tsan.sh)
[ -n "$tsan_pattern" ] || { echo "stress-test.sh: no test pattern in scripts/tsan.sh" >&2; exit 1; }
asan_args=()
if [ -n "$tests" ]; then
  asan_args=(-R "$tests")
else
  scripts/tsan.sh '^$' >/dev/null
fi

hog_pids=()
stop_hogs() {
  local pid
  for pid in "${hog_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${hog_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  hog_pids=()
}
trap stop_hogs EXIT
trap 'exit 130' INT TERM

mkdir -p build/stress
echo "== $rounds rounds on cores $cores ($ncores) beside $hogs busy processes, time factor $factor"
for _ in $(seq "$hogs"); do
  taskset -c "$cores" sh -c 'while :; do :; done' &
  hog_pids+=($!)
done

# Runs one ctest pinned to the cores, as many tests at a time as given; its
# output goes to the log.
pinned_ctest() {
  local log=$1 parallel=$2; shift 2
  local status=0
  taskset -c "$cores" ctest --output-on-failure -j "$parallel" "$@" >"$log" 2>&1 || status=$?
  return "$status"
}

for round in $(seq "$rounds"); do
  start=$SECONDS
  status=0
  rm -f build/stress/round$round-*.log
  # As many at a time as the test command runs: two sanitizer tests a core,
  # one thread-sanitizer test a core (scripts/test.sh, scripts/tsan.sh).
  pinned_ctest "build/stress/round$round-asan.log" $((2 * ncores)) --test-dir build/asan --timeout $((300 * factor)) \
    ${asan_args[@]+"${asan_args[@]}"} || status=$?
  if [ "$status" -eq 0 ] && [ -z "$tests" ]; then
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp ${TSAN_OPTIONS:-}" \
      pinned_ctest "build/stress/round$round-tsan.log" "$ncores" --test-dir build/tsan -R "$tsan_pattern" \
      --timeout $((300 * factor)) || status=$?
  fi
  if [ "$status" -ne 0 ]; then
    echo "round $round of $rounds FAILED after $((SECONDS - start)) s:"
    for log in build/stress/round$round-*.log; do
      sed -n '/The following tests FAILED:/,$p' "$log"
    done
    echo "the output: build/stress/round$round-*.log"
    exit 1
  fi
  echo "round $round of $rounds passed in $((SECONDS - start)) s"
  scripts/slowest-tests.sh 5 "build/stress/round$round-asan.log" "build/stress/round$round-tsan.log" |
    sed 's/^/    /'
done
echo "== $rounds rounds in a row passed"
