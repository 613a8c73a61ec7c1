#!/usr/bin/env bash
# ThreadSanitizer build and run of the tests that exercise threads: the UI
# singleton with its own UI thread (command protocol, modal loops, the
# stress loop), the widgets' round trips through that thread, and the
# network level drawn by the UI thread while the main thread brings a link
# up and down, the OFD worker's hand-over with the UI side, the battery
# thread measuring while the indicator is drawn and stopped, the barcode
# scanner's reader thread handing codes over, stopped and restarted, the
# Bluetooth library's callbacks, run in its own thread, while the links wait
# on what they store, the marking-code scan dialog's reading switch
# between the UI thread and the main thread, the marking notifications'
# worker handing the notification and the server's answer over with the UI
# side (its steps and its dialog), and the service log written from two
# threads while a third opens the log again.
# Usage: scripts/tsan.sh [ctest -R regex]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
pattern=${1:-ThreadMode|ThreadRoundTrip|ScreensTest.LevelIsDrawn|OfdTest|BatteryThreadTest|ScannerThreadTest|BtLinkTest|MarkCheckTest.TheScanDialog|OismTest|OismDialog|ServiceLogTest.TwoWritingThreads}
# As many tests at a time as there are cores: they mostly wait on their
# threads and stand-ins.
jobs=$(nproc)

# The tests' wall-clock limits and time-outs are scaled as in scripts/test.sh.
factor=${CASHDESK_TEST_TIME_FACTOR:-4}
case "$factor" in ''|*[!0-9]*|0) echo "tsan.sh: CASHDESK_TEST_TIME_FACTOR takes a number from 1" >&2; exit 1 ;; esac
# kktsim's store leaves its flushes to the system, as in scripts/test.sh.
export KKTSIM_NO_SYNC=${KKTSIM_NO_SYNC-1}
cmake -S "$root" -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCASHDESK_TSAN=ON -DCASHDESK_BENCH=OFF \
  -DCASHDESK_TEST_TIME_FACTOR="$factor" >/dev/null
cmake --build build/tsan -j "$(nproc)" --target vu_ui_thread_test vu_widgets1_test comms_screens_test comms_ofd_test srvsim shell_screens_test scanner_thread_test bt_link_test bt bt_partial btscript mark_check_test \
  comms_oism_test service_log_test
# A report fails the test: halt_on_error makes the process exit non-zero.
# scripts/tsan.supp names the races inside the C library's dynamic loader.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp ${TSAN_OPTIONS:-}" \
  ctest --test-dir build/tsan -R "$pattern" -j "$jobs" --output-on-failure --timeout $((300 * factor)) 2>&1 |
  tee build/tsan/ctest.log
