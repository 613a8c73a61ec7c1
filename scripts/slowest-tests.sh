#!/usr/bin/env bash
# The slowest tests of one or more ctest runs, from their output (the lines
# "N/M Test #K: NAME .... Passed 1.23 sec"), slowest first, with the result
# each had.   Usage: scripts/slowest-tests.sh COUNT LOG...
set -euo pipefail
count=${1:?usage: slowest-tests.sh COUNT LOG...}
shift
for log in "$@"; do
  [ -f "$log" ] || continue
  sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .*\.\.\.[ *]*([^0-9]*[^ 0-9]) +([0-9]+\.[0-9]+) sec$/\3 \1 \2/p' "$log" |
    sed "s|\$| ($(basename "$(dirname "$log")"))|"
done | sort -rn -k1,1 | awk -v n="$count" 'NR <= n' |
  awk '{ t = $1; name = $2; $1 = ""; $2 = ""; sub(/^  /, ""); printf "  %8.2f s  %s  %s\n", t, name, $0 }'
