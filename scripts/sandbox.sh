#!/usr/bin/env bash
# Runs the cash register on this machine's stand-ins, in a sandbox folder:
# the server stand-in srvsim (the OFD, OISM and key-update servers on a
# loopback port, its journal in DIR/srvsim/journal.jsonl), the
# controller-service stand-in kktsim with a scenario, then cashdesk in
# the sandbox (its own res/, data/ and terminal root with the stand-in
# screen, keypad and touch panel), with termview showing the screen.
#
#   scripts/sandbox.sh [--headless] [--seconds N] [--scenario FILE] [--mode N]
#                      [--size WxH] [--dir DIR] [--build DIR] [--keys FILE]
#
# --headless   no window: a screenshot (PNG, by fbshot) of every screen the
#              trace announces goes to DIR/shots/, and the run ends after
#              --seconds (default 15) or when cashdesk ends
# --scenario   the stand-in's scenario (default: a registered fiscal drive,
#              tools/kktsim/scenarios/registered.scn)
# --mode       cashdesk's start mode (default 0)
# --size       the screen (default 240x320)
# --dir        the sandbox folder (default: a new one under /tmp); kept
#              afterwards with trace.jsonl (the screens and boxes shown),
#              kktsim/journal.jsonl (what went to the controller) and the
#              settings in data/
# --build      the build folder with the programs (default build/run, which
#              scripts/run.sh builds)
# --server-scenario FILE  srvsim's scenario (faults; default none)
# --scanner hid|builtin   a barcode scanner: a USB scanner (the FIFO
#              root/dev/hidraw0 of HID reports, named "WCM HIDKeyBoard" by
#              the property osal.hidraw.name) or the built-in one (the FIFO
#              root/dev/scanner, the property ro.fac.barcode); scan with
#              tools/scanfeed while the scan dialog is open:
#              scanfeed --hid --root DIR/root CODE
# --bt         installs the Bluetooth library's stand-in (platform/bt) in the
#              terminal root with a control file (DIR/root/data/osal/bt): two
#              devices for the links, a PC that connects over the serial
#              port a second after the work with a PC waits for it; DHCP
#              works on the Bluetooth interface; its journal is
#              DIR/root/data/osal/bt.log
# --bt-partial the same with the variant lacking an entry point (Bluetooth
#              stays off)
# --keys FILE  plays a key script (tools/keyplay/README.md) once the program
#              runs, headless: its "shot" pictures and one of every screen go
#              to DIR/shots/; the run ends with the script (no --seconds
#              limit) and fails when the script does
#
# The settings get an Ethernet connection ("lan", ETH1 on 127.0.0.1) and
# srvsim's port as the OFD server's ("shift/ofd"), so "ofd_conn" sends the
# waiting documents to srvsim (scripts/sandbox_settings.py); a settings file
# that is not a regular one (a FIFO, a link, ...) or not XML is left as it
# is, for cashdesk to refuse.
#
# Where the machine allows it, everything runs in a private System V IPC
# namespace, so the controller queue (key 111) of other runs and of tests
# is left alone. Only the processes started here are stopped, by their ids.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)

headless=0
seconds=15
scenario=""
mode=0
size=240x320
dir=""
build="$src/build/run"
server_scenario=""
scanner=""
bt=""
keys=""
while [ $# -gt 0 ]; do
  case "$1" in
    --headless) headless=1 ;;
    --seconds) seconds=$2; shift ;;
    --scenario) scenario=$2; shift ;;
    --mode) mode=$2; shift ;;
    --size) size=$2; shift ;;
    --dir) dir=$2; shift ;;
    --build) build=$2; shift ;;
    --server-scenario) server_scenario=$2; shift ;;
    --scanner) scanner=$2; shift ;;
    --bt) bt=libbt.so ;;
    --bt-partial) bt=libbt_partial.so ;;
    --keys) keys=$2; shift ;;
    --in-namespace) export CASHDESK_SANDBOX_NS=1 ;;
    *) echo "sandbox.sh: unknown option $1" >&2; exit 1 ;;
  esac
  shift
done

# A private IPC namespace when possible (root, or unprivileged namespaces).
if [ -z "${CASHDESK_SANDBOX_NS:-}" ] && unshare --ipc true 2>/dev/null; then
  args=(--seconds "$seconds" --mode "$mode" --size "$size" --build "$build")
  [ "$headless" = 1 ] && args+=(--headless)
  [ -n "$scenario" ] && args+=(--scenario "$scenario")
  [ -n "$dir" ] && args+=(--dir "$dir")
  [ -n "$server_scenario" ] && args+=(--server-scenario "$server_scenario")
  [ -n "$scanner" ] && args+=(--scanner "$scanner")
  [ "$bt" = libbt.so ] && args+=(--bt)
  [ "$bt" = libbt_partial.so ] && args+=(--bt-partial)
  [ -n "$keys" ] && args+=(--keys "$keys")
  exec unshare --ipc "$0" --in-namespace "${args[@]}"
fi

# The programs run from the sandbox folder: a relative --build is taken from here.
[ -d "$build" ] && build=$(cd "$build" && pwd)
case "$scanner" in
  ""|hid|builtin) ;;
  *) echo "sandbox.sh: --scanner takes hid or builtin" >&2; exit 1 ;;
esac

if [ -n "$keys" ]; then
  if [ ! -f "$keys" ]; then
    echo "sandbox.sh: no key script $keys" >&2
    exit 1
  fi
  keys=$(cd "$(dirname "$keys")" && pwd)/$(basename "$keys")
  # A bad line is named before anything starts.
  python3 "$src/tools/keyplay/keyplay.py" --check "$keys" || exit 2
  headless=1
fi
if [ "$headless" = 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "sandbox.sh: no display for termview; running headless" >&2
  headless=1
fi
for prog in app/cashdesk tools/kktsim/kktsim tools/srvsim/srvsim tools/fbshot/fbshot; do
  if [ ! -x "$build/$prog" ]; then
    echo "sandbox.sh: $build/$prog is not built" >&2
    exit 1
  fi
done
if [ "$headless" = 0 ] && [ ! -x "$build/tools/termview/termview" ]; then
  echo "sandbox.sh: $build/tools/termview/termview is not built (use --headless)" >&2
  exit 1
fi
if [ -z "$scenario" ] && [ -f "$src/tools/kktsim/scenarios/registered.scn" ]; then
  scenario="$src/tools/kktsim/scenarios/registered.scn"
fi

[ -n "$dir" ] || dir=$(mktemp -d /tmp/cashdesk-sandbox-XXXXXX)
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
root="$dir/root"
rm -rf "$root" "$dir/res" "$dir/shots" "$dir/kktsim" "$dir/srvsim" "$dir/trace.jsonl"
mkdir -p "$dir/data" "$dir/kktsim" "$dir/srvsim"
cp -r "$src/res" "$dir/res"
cp -rn "$src/data/." "$dir/data/" 2>/dev/null || true

# The terminal root: screen file, keypad and touch-panel FIFOs, properties,
# the Ethernet adapter's carrier file.
# termview --init makes it; without termview the same by hand.
if [ -x "$build/tools/termview/termview" ]; then
  "$build/tools/termview/termview" --init "$root" --size "$size" >/dev/null
else
  w=${size%x*}; h=${size#*x}
  mkdir -p "$root/dev/graphics" "$root/data/osal"
  truncate -s $((w * h * 2)) "$root/dev/graphics/fb0"
  mkfifo "$root/dev/keypad" "$root/dev/tp"
  mkdir -p "$root/sys/class/net/eth1"
  echo 1 >"$root/sys/class/net/eth1/carrier"
  printf 'osal.fb.xres=%s\nosal.fb.yres=%s\nro.fac.lcd.rotate=0\nro.fac.touchscreen=1\n' "$w" "$h" \
    >"$root/data/osal/properties"
fi
# The battery: the terminal starts on external power; edit the file
# (README, "The battery on a PC") to run it on the battery or drain it.
mkdir -p "$root/data/osal"
printf '# power 0: on the battery alone; step 0..4, 6 full\npower 1\nstep 6\n' >"$root/data/osal/battery"
# The terminal's identity as the information screen shows it.
printf 'ro.fac.pn=PC-STANDIN\nro.fac.sn=0000000001\npersist.sys.prolin=PC\n' >>"$root/data/osal/properties"
# The barcode scanner: a FIFO in place of its device, and what tells the
# program it is there.
case "$scanner" in
  hid)
    mkdir -p "$root/dev"
    mkfifo "$root/dev/hidraw0"
    printf 'osal.hidraw.name=WCM HIDKeyBoard\n' >>"$root/data/osal/properties"
    ;;
  builtin)
    mkdir -p "$root/dev"
    mkfifo "$root/dev/scanner"
    printf 'ro.fac.barcode=1\n' >>"$root/data/osal/properties"
    ;;
esac
# The Bluetooth library's stand-in (platform/bt/README.md).
if [ -n "$bt" ]; then
  if [ ! -f "$build/platform/bt/$bt" ]; then
    echo "sandbox.sh: $build/platform/bt/$bt is not built" >&2
    exit 1
  fi
  mkdir -p "$root/data/opt/lib"
  cp "$build/platform/bt/$bt" "$root/data/opt/lib/libbt.so"
  cat >"$root/data/osal/bt" <<'BT'
# The Bluetooth library stand-in's control file (platform/bt/README.md).
device AA:BB:CC:DD:EE:01 Office PC
device AA:BB:CC:DD:EE:02 Receipt printer
delay pair 1000
# The PC of the work with a PC over the serial port: link a pseudo-terminal
# at root/dev/rfcomm0 (hostsim --pty DIR/root/dev/rfcomm0) before choosing
# "BLUETOOTH (COM)".
host-connect 1000
spp-device /dev/rfcomm0
BT
  printf 'dhcp-start bt 0\n' >>"$root/data/osal/network"
  printf 'ro.fac.mach=PC\n' >>"$root/data/osal/properties"
fi
export TERMINAL_ROOT="$root"
export CASHDESK_TRACE="$dir/trace.jsonl"

pids=()
cashdesk_pid=""
stop_all() {
  for pid in ${cashdesk_pid:+"$cashdesk_pid"} "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in ${cashdesk_pid:+"$cashdesk_pid"} "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# The server stand-in first: its port goes into the settings.
srv_args=(--dir "$dir/srvsim")
[ -n "$server_scenario" ] && srv_args+=(--scenario "$server_scenario")
"$build/tools/srvsim/srvsim" "${srv_args[@]}" >"$dir/srvsim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$dir/srvsim/srvsim.port" ] && break
  if ! kill -0 "${pids[0]}" 2>/dev/null; then
    echo "sandbox.sh: srvsim did not start:" >&2
    cat "$dir/srvsim.out" >&2
    exit 1
  fi
  sleep 0.05
done
srv_port=$(cat "$dir/srvsim/srvsim.port")
# Read without waiting: whatever is not a regular settings file at its name
# (a FIFO, a device, a link) is left to cashdesk, which refuses it.
python3 "$src/scripts/sandbox_settings.py" "$dir/data/kktsettings.xml" "$srv_port"

sim_args=(--dir "$dir/kktsim")
[ -n "$scenario" ] && sim_args+=(--scenario "$scenario")
"$build/tools/kktsim/kktsim" "${sim_args[@]}" >"$dir/kktsim.out" 2>&1 &
pids+=($!)
# The stand-in writes its pid file once its queue is up.
for _ in $(seq 100); do
  [ -s "$dir/kktsim/kktsim.pid" ] && break
  if ! kill -0 "${pids[1]}" 2>/dev/null; then
    echo "sandbox.sh: kktsim did not start:" >&2
    cat "$dir/kktsim.out" >&2
    exit 1
  fi
  sleep 0.05
done

(cd "$dir" && exec "$build/app/cashdesk" "$mode") &
cashdesk_pid=$!
echo "sandbox: $dir (trace: $dir/trace.jsonl)"
if [ -n "$scanner" ]; then
  echo "scanner: $build/tools/scanfeed/scanfeed --$scanner --root $root CODE"
fi

if [ "$headless" = 0 ]; then
  "$build/tools/termview/termview" --root "$root" &
  pids+=($!)
  status=0
  wait "$cashdesk_pid" || status=$?
  cashdesk_pid=""
  echo "cashdesk ended with status $status"
  exit 0
fi

# Headless: a screenshot whenever the trace announces a screen drawn (its
# "screen" lines), until the end.
mkdir -p "$dir/shots"
shot=0
seen=0
deadline=$((SECONDS + seconds))
take_shot() {
  shot=$((shot + 1))
  "$build/tools/fbshot/fbshot" --root "$root" "$(printf '%s/shots/%03d.png' "$dir" "$shot")" || true
}
# With a key script the run lasts as long as the script; its waits have
# their own limit.
keyplay_pid=""
if [ -n "$keys" ]; then
  python3 "$src/tools/keyplay/keyplay.py" --root "$root" --trace "$CASHDESK_TRACE" --shots "$dir/shots" \
    --fbshot "$build/tools/fbshot/fbshot" "$keys" &
  keyplay_pid=$!
  pids+=("$keyplay_pid")
fi
running() {
  kill -0 "$cashdesk_pid" 2>/dev/null || return 1
  if [ -n "$keyplay_pid" ]; then
    kill -0 "$keyplay_pid" 2>/dev/null
  else
    [ $SECONDS -lt $deadline ]
  fi
}
while running; do
  lines=0
  [ -f "$CASHDESK_TRACE" ] && lines=$(grep -c '"event":"screen"' "$CASHDESK_TRACE" || true)
  if [ "$lines" -gt "$seen" ]; then
    seen=$lines
    sleep 0.2 # let the screen settle after the announcement
    take_shot
  fi
  sleep 0.1
done
take_shot
echo "screenshots: $dir/shots ($shot)"
if [ -n "$keyplay_pid" ]; then
  status=0
  if kill -0 "$keyplay_pid" 2>/dev/null; then
    echo "sandbox.sh: cashdesk ended before the key script" >&2
    status=1
  else
    wait "$keyplay_pid" || status=$?
  fi
  [ "$status" = 0 ] && echo "key script done: $keys"
  exit "$status"
fi
