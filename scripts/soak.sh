#!/usr/bin/env bash
# A day of trade against cashdesk, kktsim and srvsim as processes of their
# own (tests/e2e/soak_e2e_test.cpp): the shift opened, RECEIPTS receipts of 1
# to 10 goods lines paid in cash, by card or both, cash put in and taken out,
# the OFD sent to every 100 receipts with srvsim's faults on and off, the
# shift closed; then every document checked in the drive's archive and at
# the OFD, the drawer and totals, the paper and the program's memory. Prints
# its figures: documents per minute, kktsim's reply early and late, resident
# memory. The test command runs the same test with 50 receipts.
#
# Usage: scripts/soak.sh [RECEIPTS (default 1000)] [build dir (default build/release)]
# The build dir is configured as Release when it has no configuration yet.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
receipts=${1:-1000}
dir=${2:-build/release}
case $receipts in
  '' | *[!0-9]* | 0) echo "usage: scripts/soak.sh [RECEIPTS] [build dir]" >&2; exit 2 ;;
esac

if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$dir" -j "${SOAK_JOBS:-4}" --target cashdesk_soak_test cashdesk kktsim srvsim >/dev/null

log=$(mktemp /tmp/soak.XXXXXX)
trap 'rm -f "$log"' EXIT
run=("$dir/tests/e2e/cashdesk_soak_test" --gtest_filter=Soak.ADayOfTrade)
# kktsim takes the controller queue (key 111): a private IPC namespace where
# the machine allows it, so other runs and tests are left alone.
if unshare --ipc true 2>/dev/null; then
  run=(unshare --ipc "${run[@]}")
else
  echo "no private IPC namespace here: kktsim uses the machine's controller queue" >&2
fi
echo "soak: $receipts receipts, build $dir" >&2
status=0
SOAK_RECEIPTS=$receipts "${run[@]}" >"$log" 2>&1 || status=$?
grep -v '^figure' "$log" | grep -E '^day:|Failure|FAILED|Expected|Which is|Value of|error' | head -60 || true
echo
awk -F '\t' '$1 == "figure" { printf "%-58s %10s %s\n", $2, $3, $4 }' "$log"
if [ "$status" -ne 0 ]; then
  echo "soak FAILED (exit $status)" >&2
  exit 1
fi
echo "soak passed"
