#!/usr/bin/env bash
# Builds the libFuzzer targets (in the sanitized build, see scripts/sanitized-build.sh) and runs
# every target that fuzz/CMakeLists.txt declares, each for a while.
#   scripts/fuzz.sh [seconds-per-target]     (default 60)
#   scripts/fuzz.sh 0                        each target over its corpus once, no fuzzing
# New inputs go to build-asan/fuzz-corpus/<target>, findings to build-asan/fuzz-findings/. Exits
# non-zero when any target finds something (a crash, a sanitizer report, a leak, a timeout).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
if [ "${FANO_SKIP_DEPS:-}" != 1 ]; then scripts/install-deps.sh; fi
scripts/sanitized-build.sh fuzz_all >/dev/null

list=build-asan/fuzz/targets.txt
[ -s "$list" ] || { echo "no fuzz targets declared"; exit 1; }
mkdir -p build-asan/fuzz-findings build-asan/fuzz-logs
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
count=0
while read -r name corpus; do
  [ -n "$name" ] || continue
  count=$((count + 1))
  exe=build-asan/fuzz/$name
  log=build-asan/fuzz-logs/$name.log
  args=(-artifact_prefix="build-asan/fuzz-findings/$name-" -timeout=25 -rss_limit_mb=4096)
  if [ "$secs" = 0 ]; then
    # The checked-in corpus only, each input once.
    empty=$(mktemp -d)
    dirs=("$empty")
    [ -d "$corpus" ] && dirs=("$corpus")
    if "$exe" "${args[@]}" -runs=0 "${dirs[@]}" >"$log" 2>&1; then
      echo "$name: $(grep -c . <(ls "${dirs[@]}")) inputs clean"
    else
      failed+=("$name")
      tail -n 60 "$log"
    fi
    rmdir "$empty" 2>/dev/null || true
  else
    work=build-asan/fuzz-corpus/$name
    mkdir -p "$work"
    dirs=("$work")
    [ -d "$corpus" ] && dirs+=("$corpus")
    echo "== $name for ${secs}s"
    if "$exe" "${args[@]}" -max_total_time="$secs" -print_final_stats=1 "${dirs[@]}" >"$log" 2>&1; then
      grep -E "^stat::number_of_executed_units|^Done" "$log" | tr '\n' ' '
      echo
    else
      failed+=("$name")
      tail -n 60 "$log"
    fi
  fi
done <"$list"

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]} (logs in build-asan/fuzz-logs, inputs in build-asan/fuzz-findings)"
  exit 1
fi
echo "all $count fuzz targets clean"
