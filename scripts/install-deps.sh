#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the
# stand-in host need. Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  # build and test
  cmake ninja-build ccache g++ clang lld libclang-rt-14-dev pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
  # text and code pages
  libicu-dev
  # drawing, fonts and images
  libfreetype-dev libfontconfig-dev fonts-wqy-microhei fonts-dejavu-core libpng-dev libpixman-1-dev libjpeg62-turbo-dev
  # stand-in host and window back-end
  libsqlite3-dev sqlite3 libx11-dev libxext-dev xvfb xauth xdotool
  # a light window manager for the test of windows under one
  openbox
  # benchmark peers
  libpugixml-dev libxml2-dev libexpat1-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# npm packages of the tests
"$(dirname "$0")/install-npm-deps.sh"
