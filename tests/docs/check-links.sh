#!/usr/bin/env bash
# Every link of the project's Markdown files (README.md, docs/, the kiosk
# recipe ...) points to a file of the repository that exists (and to one of
# its headings when it names one), and nothing in them points outside the
# repository: no web or file address, no absolute link, no "../" that climbs
# above the repository's root, no folder of a build machine (/home/...,
# /root/... and the like).
#
#   tests/docs/check-links.sh ROOT
set -u
root=$(cd "$1" && pwd -P)
failures=0
fail() {
  echo "$1: $2"
  failures=$((failures + 1))
}

# The anchors of a Markdown file's headings, as the usual renderers make
# them: lower case, punctuation dropped, each space a hyphen.
anchors() {
  awk '/^ *```/ { code = !code; next } !code && /^#+ / { sub(/^#+ +/, ""); sub(/ +#* *$/, ""); print }' "$1" |
    LC_ALL=C.UTF-8 sed -E 's/.*/\L&/; s/[^[:alnum:] _-]//g; s/ /-/g'
}

mapfile -t files < <(find "$root" \( -name '.git' -o -name 'build*' -o -name dist -o -name demo-data \) -prune \
  -o -name '*.md' -type f -print | sort)
[ ${#files[@]} -gt 0 ] || { echo "no Markdown file under $root"; exit 1; }

for file in "${files[@]}"; do
  rel=${file#"$root"/}
  dir=$(dirname "$file")
  # Link targets outside fenced code blocks: inline links and pictures
  # [text](target "title"), reference definitions [name]: target, and the
  # src and href of HTML tags.
  targets=$(awk '/^ *```/ { code = !code; next } !code' "$file" |
    grep -oE '\]\([^)]*\)|^ *\[[^]]+\]: *[^ ]+|(src|href)="[^"]*"' |
    sed -E 's/^\]\(//; s/\)$//; s/^ *\[[^]]+\]: *//; s/^(src|href)="//; s/"$//; s/ +"[^"]*"$//')
  while IFS= read -r target; do
    [ -n "$target" ] || continue
    path=${target%%#*}
    anchor=
    [[ $target == *#* ]] && anchor=${target#*#}
    if [ -z "$path" ]; then
      anchors "$file" | grep -qxF "$anchor" || fail "$rel" "link to #$anchor: no such heading"
    elif [[ $path =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]]; then
      fail "$rel" "link to $target leaves the repository"
    elif [[ $path == /* || $path == ~* ]]; then
      fail "$rel" "absolute link $target: links are relative to the file"
    else
      resolved=$(realpath -m "$dir/$path")
      if [[ $resolved != "$root" && $resolved != "$root"/* ]]; then
        fail "$rel" "link to $target points outside the repository"
      elif [ ! -e "$resolved" ]; then
        fail "$rel" "link to $target: no such file"
      elif [ -n "$anchor" ] && [[ $resolved == *.md ]] && ! anchors "$resolved" | grep -qxF "$anchor"; then
        fail "$rel" "link to $target: no such heading"
      fi
    fi
  done <<<"$targets"

  # Anywhere in the text, code blocks included: "../" paths that climb out of
  # the repository or name nothing in it, and folders of the machine the
  # project was written on.
  while IFS= read -r up; do
    resolved=$(realpath -m "$dir/$up")
    if [[ $resolved != "$root" && $resolved != "$root"/* ]]; then
      fail "$rel" "$up points outside the repository"
    elif [ ! -e "$resolved" ]; then
      fail "$rel" "$up points to nothing in the repository"
    fi
  done < <(grep -oE '(^|[^A-Za-z0-9_.])(\.\./)+[A-Za-z0-9_./-]*' "$file" | sed -E 's/^[^.]//')
  grep -noE '(^|[^A-Za-z0-9_.~-])/(work|home|root)/[A-Za-z0-9_.-]+' "$file" | while IFS= read -r hit; do
    echo "$rel:${hit%%:*}: ${hit#*:} is a folder of a machine, not of the repository"
  done | grep . && failures=$((failures + 1))
done

if [ $failures -gt 0 ]; then
  echo "$failures problem(s) in the links of ${#files[@]} Markdown files"
  exit 1
fi
echo "links of ${#files[@]} Markdown files checked"
