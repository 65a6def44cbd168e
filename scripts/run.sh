#!/usr/bin/env bash
# Builds Varlo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ -x build/app/varlo ]; then
  exec build/app/varlo "$@"
fi
exec build/varlo-cli --help
