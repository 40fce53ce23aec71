#!/usr/bin/env bash
# The build compiles each target's files in batches; this checks that every file also compiles on
# its own (its includes complete, no name borrowed from a file before it in the batch). It
# configures build-alone without batches and runs each compile command with -fsyntax-only.
#   scripts/check-alone.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
cmake -S . -B build-alone -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFANO_UNITY=OFF >/dev/null
# Generated sources (embedded resources) are not needed: they are made, not written.
python3 - "$jobs" <<'PY'
import json, subprocess, sys, concurrent.futures as cf
entries = [e for e in json.load(open('build-alone/compile_commands.json'))
           if '/embed/' not in e['file']]
def check(e):
    cmd = e['command'].split(' -o ')[0] + ' -fsyntax-only ' + e['file']
    cmd = cmd.replace(' -MD', '').split('ccache ', 1)[-1]
    r = subprocess.run(cmd, shell=True, cwd=e['directory'], capture_output=True, text=True)
    return e['file'], r.returncode, r.stderr
failed = 0
with cf.ThreadPoolExecutor(int(sys.argv[1])) as pool:
    for name, rc, err in pool.map(check, entries):
        if rc:
            failed += 1
            print(f'{name}: does not compile on its own\n{err}')
print(f'{len(entries) - failed} files compile on their own, {failed} do not')
sys.exit(1 if failed else 0)
PY
