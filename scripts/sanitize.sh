#!/usr/bin/env bash
# Builds the layers that need no display (base, table, tools) with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs their tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TALLIVO_BUILD_TYPE=Debug TALLIVO_CMAKE_ARGS="-DTALLIVO_GUI=OFF -DTALLIVO_BENCH=OFF -DTALLIVO_SANITIZE=ON" \
  "$root/scripts/setup.sh" "$root/build-sanitize"
cd "$root/build-sanitize"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2 --timeout 600
