#!/usr/bin/env bash
# Sets up, builds and runs every test with ctest, then prints the summary.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/setup.sh" "$root/build"
cd "$root/build"
ctest --output-on-failure -j2 --timeout 300
