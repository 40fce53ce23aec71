#!/usr/bin/env bash
# Configures and builds build-asan: clang with AddressSanitizer and UndefinedBehaviorSanitizer
# (any undefined-behaviour report stops the process) and the fuzzer's coverage on every library,
# so that one build serves the sanitized tests and the fuzz targets. Line tables are all the
# sanitizers' reports need, and they keep the build a fraction of full debug information's size.
#   scripts/sanitized-build.sh [target...]     (everything when no target is named)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFANO_SANITIZE=ON -DFANO_FUZZ=ON -DFANO_BENCH=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build-asan -j "$(nproc)" "${targets[@]}"
