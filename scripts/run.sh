#!/usr/bin/env bash
# Builds Varlo and starts it on the bundled sample subscriptions, whose feeds a small loopback
# server (started here, stopped when Varlo ends) serves. Arguments are passed to Varlo instead:
# ./scripts/run.sh my-subscriptions.xml opens that file and starts no server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the program itself: the tests and benchmarks are the test command's business.
cmake --build build -j2 --target varlo
if [ $# -gt 0 ]; then
  exec build/gui/varlo "$@"
fi
sample="$PWD/build/sample/subscriptions.xml"
rm -f "$sample"
python3 scripts/sample_server.py "$sample" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -f "$sample" ] && break; sleep 0.1; done
build/gui/varlo "$sample"
