#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
secs=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFANO_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j "$(nproc)"
for f in build-fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus=fuzz/corpus/${name#fuzz_}
  mkdir -p "build-fuzz/corpus/$name"
  echo "== $name for ${secs}s"
  "$f" -max_total_time="$secs" "build-fuzz/corpus/$name" ${corpus:+$( [ -d "$corpus" ] && echo "$corpus")}
done
