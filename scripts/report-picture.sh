#!/usr/bin/env bash
# The picture of the report in the back office's guide: a generated
# stock-take (two stations over the demo catalogue with its expected stock),
# its RAPPORT.HTML rendered by headless Chromium, the top of the page in 256
# colours, into docs/images/bureau/rapport.png.
#
#   scripts/report-picture.sh [BUILD_DIR]      default: build
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath "${1:-$root/build}")
catgen=$build/tools/catgen/tallivo-catgen
office=$build/tools/office/tallivo-office
work=$(mktemp -d)
browser=
cleanup() {
  [ -n "$browser" ] && kill -KILL -- "-$browser" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cd "$work"
mkdir poste1 poste2
"$catgen" --stock ARTICLE.XML 2000
"$catgen" --count 2000 poste1/COLLECTION.XML 1800 1
"$catgen" --count 2000 poste2/COLLECTION.XML 150 2
"$office" report ARTICLE.XML RAPPORT poste1/COLLECTION.XML poste2/COLLECTION.XML >/dev/null

# Chromium in a process group of its own, ended whatever happens.
setsid chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/profile" --hide-scrollbars \
  --window-size=1000,1300 --screenshot="$work/page.png" "file://$work/RAPPORT/RAPPORT.HTML" \
  >/dev/null 2>&1 &
browser=$!
wait "$browser"
mkdir -p "$root/docs/images/bureau"
convert "$work/page.png" -strip -colors 256 PNG8:"$root/docs/images/bureau/rapport.png"
echo "docs/images/bureau/rapport.png"
