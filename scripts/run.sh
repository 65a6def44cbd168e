#!/usr/bin/env bash
# Builds Varlo and starts it on the bundled sample subscriptions, whose feeds a small loopback
# server (started here, stopped when Varlo ends) serves. Arguments are passed to Varlo instead:
# ./scripts/run.sh my-subscriptions.xml opens that file and starts no server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ $# -gt 0 ]; then
  exec build/app/varlo "$@"
fi
sample="$PWD/build/sample/subscriptions.xml"
rm -f "$sample"
python3 scripts/sample_server.py "$sample" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -f "$sample" ] && break; sleep 0.1; done
build/app/varlo "$sample"
