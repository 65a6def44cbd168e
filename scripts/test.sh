#!/usr/bin/env bash
# Builds Varlo and runs every test: the suite in a normal build, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, each fuzz target for a short while, and the
# formatting check.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
jobs=2
fuzz_seconds=${VARLO_FUZZ_SECONDS:-12}

echo "== Formatting [${SECONDS}s]"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror $files

echo "== Layers [${SECONDS}s]"
python3 scripts/check_layers.py

echo "== Build and test [${SECONDS}s]"
# The program's own files compile in groups of twelve (see the sanitizer build below); the test
# files one by one. Line tables are all the debug information a failure's trace needs, and they
# take a third less time to compile than full debug information.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_UNITY_BUILD_BATCH_SIZE=12 -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build -j"$jobs"
# The sanitizer build starts now, at the lowest priority: the tests below spend much of their time
# waiting on windows and the web engine, and the build takes the processor time they leave. One
# clang build serves the sanitizers and the fuzz targets: its core carries libFuzzer's coverage
# counters, and clang builds it in well under the time GCC takes with the sanitizers. Optimised a
# little, with line tables only: the tests run several times faster than at -O0 and the reports
# still name file and line. The program's own files are compiled in groups (a unity build): most
# of each file's time is the headers it shares with the others, and the sanitizers make that time
# several times longer. A name two files of a group both define stops the build: each such
# helper belongs in one place.
CC=clang CXX=clang++ cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DVARLO_SANITIZE=ON \
  -DVARLO_FUZZ=ON -DVARLO_BENCH=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=12 \
  >/dev/null
nice -n 19 cmake --build build-sanitize -j"$jobs" >build-sanitize/build.log 2>&1 &
sanitize_build=$!
trap 'kill "$sanitize_build" 2>/dev/null || true' EXIT
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$jobs")

echo "== Build and test under the sanitizers [${SECONDS}s]"
if ! wait "$sanitize_build"; then
  tail -100 build-sanitize/build.log
  exit 1
fi
grep -E "warning:|error:" build-sanitize/build.log || true
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$jobs")

echo "== Fuzz targets (${fuzz_seconds}s each, two at a time) [${SECONDS}s]"
mkdir -p build-sanitize/artifacts
fuzz_one() {
  local target=$1 name
  name=$(basename "$target")
  mkdir -p "build-sanitize/work/$name"
  if "$target" -max_total_time="$fuzz_seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix=build-sanitize/artifacts/ -print_final_stats=0 "build-sanitize/work/$name" \
    "fuzz/corpus/$name" 2>"build-sanitize/$name.log"; then
    echo "-- $name"
  else
    echo "-- $name failed:"
    tail -50 "build-sanitize/$name.log"
    return 1
  fi
}
export -f fuzz_one
export fuzz_seconds
for target in build-sanitize/fuzz/fuzz_*; do
  if [ -f "$target" ] && [ -x "$target" ]; then echo "$target"; fi
done | xargs -P "$jobs" -n 1 bash -c 'fuzz_one "$0"'
echo "== All tests passed [${SECONDS}s]"
