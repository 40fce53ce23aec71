#!/usr/bin/env bash
# The main job: builds what exists and runs it. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

# Until the stand-in host exists, the main job runs the platform's own tests.
ctest --test-dir build --output-on-failure -j "$(nproc)"
