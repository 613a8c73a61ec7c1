#!/usr/bin/env bash
# Builds the system and runs it on this machine's stand-ins.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/debug -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/debug -j "$(nproc)"
if [ ! -x build/debug/app/cashdesk ]; then
  echo "The program cashdesk is not built yet. Built so far:"
  find build/debug -maxdepth 3 -type f -executable -not -path '*/CMakeFiles/*' | sort
  exit 0
fi
exec scripts/sandbox.sh "$@"
