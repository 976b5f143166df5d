#!/usr/bin/env bash
# Writes the pictures of the operator's guide (docs/guide-operateur.md) into
# docs/images/: builds the screenshot tool, removes the old pictures and lets
# the tool write the new ones (tallivo-screenshot --docs), each made by the
# workstation's own windows and handlers over the demo catalogue. Run it
# after changing a window, look at the pictures, and commit them.
#
#   scripts/docs-screenshots.sh [build-dir]       default build dir: build
#
# Environment: as scripts/setup.sh, which configures the build dir when it
# is not configured yet.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-"$root/build"}
images="$root/docs/images"

[ -f "$build/CMakeCache.txt" ] || "$root/scripts/setup.sh" "$build"
cmake --build "$build" --target tallivo-screenshot

# The shop's language (sorting of names, decimal comma), whatever this
# machine's; no display needed.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
mkdir -p "$images"
rm -f "$images"/*.png
LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" \
  "$build/tools/screenshot/tallivo-screenshot" --docs "$images" 2> >(grep -v 'does not support' >&2)
echo "== $(ls "$images"/*.png | wc -l) pictures, $(du -sk "$images" | cut -f1) KB in ${images#"$root"/}"
