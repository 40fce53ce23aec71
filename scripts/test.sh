#!/usr/bin/env bash
# Builds everything and runs all tests: a normal build, then the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer (a clang build that also carries the fuzzer's coverage), then every
# fuzz target over its corpus once. Installs what it needs first. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
df -h . | tail -n 1 | awk '{print "== disk: " $4 " free"}'
# Each phase ends with its time: wall, and processor time of all its processes.
TIMEFORMAT='== phase took %0R s (processor: %0U s user, %0S s system)'

echo "== build (release with debug info)"
time {
  # Line tables are all the debug information a test run needs (a fifth less compile time).
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
  cmake --build build -j "$jobs"
}
echo "== tests"
time ctest --test-dir build --output-on-failure -j "$jobs" --timeout 900
# On a CI machine the normal build has served once its tests pass: its room goes to the next one.
if [ -n "${CI:-}" ]; then rm -rf build; fi

echo "== build (clang: address and undefined-behaviour sanitizers with the fuzzer's coverage)"
time scripts/sanitized-build.sh
echo "== tests under sanitizers"
# Sanitizer reports (undefined behaviour, and leaks at a process's end) go to files, so that one
# from a process whose end a test does not look at still fails the run.
reports=$PWD/build-asan/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
status=0
time ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 1800 || status=$?
if compgen -G "$reports/ubsan*" >/dev/null; then
  echo "sanitizer reports:"
  cat "$reports"/ubsan*
  status=1
fi
[ "$status" = 0 ] || exit "$status"

echo "== fuzz targets over their corpus"
time FANO_SKIP_DEPS=1 scripts/fuzz.sh 0

echo "== all tests passed"
