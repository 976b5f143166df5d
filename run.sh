#!/usr/bin/env bash
# Sets up, builds and starts the workstation in the demo data folder
# demo-data/ (created with the bundled demo catalogue when missing).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/setup.sh" "$root/build"

demo="$root/demo-data"
mkdir -p "$demo"
if [ ! -f "$demo/ARTICLE.XML" ] && [ -f "$root/samples/ARTICLE.XML" ]; then
  cp "$root/samples/ARTICLE.XML" "$demo/ARTICLE.XML"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start ./run.sh from a desktop session, or under a virtual one with: xvfb-run -a ./run.sh" >&2
  exit 1
fi
cd "$demo"
exec "$root/build/app/tallivo"
