#!/bin/sh
# Runs a test in a network namespace of its own (started by
# `unshare --net`): brings its loopback up, then becomes the test. A test
# that listens on a fixed port then meets no other run on this machine.
ip link set lo up || { echo "own-loopback.sh: cannot bring up the loopback" >&2; exit 1; }
exec "$@"
