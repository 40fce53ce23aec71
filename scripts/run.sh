#!/usr/bin/env bash
# The main job: builds everything and starts the stand-in host with the module on the demo
# database. With a display the host opens its window; without one it runs headless through a short
# demo script and says where its snapshot and log went. Arguments are passed to the host
# (build/host/fano_host --help lists them; --db FILE points it at another database).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

host=build/host/fano_host
if [ ! -x "$host" ]; then
  echo "run.sh: $host was not built" >&2
  exit 1
fi
out=build/host-run
mkdir -p "$out"
if [ -n "${DISPLAY:-}" ] && [ -z "${FANO_HEADLESS:-}" ]; then
  echo "Starting the host window (log: $out/host.log)"
  exec "$host" --out "$out" "$@"
fi
set +e
"$host" --headless --out "$out" --script host/demo.script "$@"
code=$?
set -e
echo "Headless run finished (exit code $code)."
echo "  snapshots: $(pwd)/$out/*.png (the steps of host/demo.script)"
echo "  log:      $(pwd)/$out/host.log"
exit $code
