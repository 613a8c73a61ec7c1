#!/usr/bin/env bash
# The example key scripts played in the sandbox against the programs of a
# build: each must end well and leave the pictures its "shot" lines name.
#   key_scripts_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src=$1
build=$2
status=0
for script in "$src"/tools/keyplay/examples/*.keys; do
  name=$(basename "$script" .keys)
  dir=$(mktemp -d /tmp/cashdesk_keys_XXXXXX)
  if ! "$src/scripts/sandbox.sh" --build "$build" --keys "$script" --dir "$dir" >"$dir/run.log" 2>&1; then
    echo "FAIL $name: the run failed (sandbox kept in $dir):"
    cat "$dir/run.log"
    status=1
    continue
  fi
  missing=0
  for shot in $(sed -n 's/^shot //p' "$script"); do
    png="$dir/shots/$shot.png"
    # A PNG file: its signature, and more than a header.
    if [ "$(head -c 4 "$png" 2>/dev/null | tail -c 3)" != PNG ] || [ "$(stat -c %s "$png")" -lt 200 ]; then
      echo "FAIL $name: no picture $shot.png (sandbox kept in $dir)"
      missing=1
    fi
  done
  if [ "$missing" = 0 ]; then
    echo "ok $name: $(sed -n 's/^shot //p' "$script" | wc -l) pictures"
    rm -rf "$dir"
  else
    status=1
  fi
done
exit $status
