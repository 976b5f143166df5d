#!/usr/bin/env bash
# The pictures of the operator's guide are the screenshot tool's: the tool's
# guide scenes, the PNG files in docs/images/ and the pictures that
# docs/guide-operateur.md shows are the same set; each committed picture has
# the size the tool renders today (a window that changed its size needs new
# pictures: scripts/docs-screenshots.sh); and they stay small (256-colour
# PNG, a budget for all of them).
#
#   tests/docs/check-guide-images.sh ROOT TALLIVO-SCREENSHOT
set -u
root=$1 tool=$2
images=$root/docs/images
guide=$root/docs/guide-operateur.md
budget_kb=400
failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen

scenes=$("$tool" --docs --list | sort) || { echo "$tool --docs --list failed"; exit 1; }
[ -n "$scenes" ] || { echo "the screenshot tool has no guide scene"; exit 1; }
files=$(find "$images" -maxdepth 1 -name '*.png' -printf '%f\n' | sed 's/\.png$//' | sort)
shown=$(grep -oE '\(images/[^)]+\.png\)' "$guide" | sed -E 's/^\(images\///; s/\.png\)$//' | sort -u)
while read -r name; do
  [ -z "$name" ] && continue
  grep -qx "$name" <<<"$files" || fail "docs/images/$name.png is missing: run scripts/docs-screenshots.sh"
  grep -qx "$name" <<<"$shown" || fail "the guide does not show docs/images/$name.png"
done <<<"$scenes"
while read -r name; do
  [ -z "$name" ] && continue
  grep -qx "$name" <<<"$scenes" || fail "docs/images/$name.png is not made by the screenshot tool (tallivo-screenshot --docs)"
done <<<"$(printf '%s\n%s\n' "$files" "$shown" | sort -u)"

# Width, height and colour type from the PNG header (IHDR).
header() { od -An -tu1 -j16 -N10 "$1" | awk '{ printf "%d %d %d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $10 }'; }
"$tool" --docs "$work/now" >/dev/null 2>"$work/log" || { cat "$work/log"; fail "the screenshot tool failed"; }
for png in "$work"/now/*.png; do
  name=$(basename "$png")
  [ -f "$images/$name" ] || continue
  read -r w h type <<<"$(header "$images/$name")"
  read -r nw nh _ <<<"$(header "$png")"
  [ "$w $h" = "$nw $nh" ] || fail "docs/images/$name is ${w}x$h, the window is ${nw}x$nh now: run scripts/docs-screenshots.sh"
  [ "$type" = 3 ] || fail "docs/images/$name is not a palette PNG (colour type $type): run scripts/docs-screenshots.sh"
done
total=$(cat "$images"/*.png 2>/dev/null | wc -c)
[ "$total" -le $((budget_kb * 1024)) ] || fail "the guide's pictures take $((total / 1024)) KB, more than $budget_kb KB"

if [ $failures -gt 0 ]; then
  echo "$failures problem(s) with the guide's pictures"
  exit 1
fi
echo "$(wc -l <<<"$scenes") pictures of the guide checked ($((total / 1024)) KB)"
