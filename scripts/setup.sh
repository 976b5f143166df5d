#!/usr/bin/env bash
# Installs the Debian packages Tallivo needs (only those missing), then
# configures and builds the project with CMake and Ninja.
#
#   scripts/setup.sh [build-dir]        default build dir: build
#
# Environment: TALLIVO_BUILD_TYPE (default RelWithDebInfo),
#              TALLIVO_SKIP_PACKAGES=1 to skip the package check.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-"$root/build"}
build_type=${TALLIVO_BUILD_TYPE:-RelWithDebInfo}

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libicu-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev
  fonts-crosextra-carlito fonts-liberation2 fonts-open-sans
  fonts-dejavu-core fonts-dejavu-extra fonts-comic-neue
  xvfb xauth xdotool x11-utils imagemagick
  file desktop-file-utils
  chromium
  postgresql libpq-dev
)

if [ "${TALLIVO_SKIP_PACKAGES:-0}" != 1 ]; then
  missing=()
  for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== Installing Debian packages: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

echo "== Configuring ($build_type) in $build_dir"
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" ${TALLIVO_CMAKE_ARGS:-} >/dev/null
echo "== Building"
cmake --build "$build_dir"
