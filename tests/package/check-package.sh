#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh and inspects it with
# dpkg-deb: name and version, Depends (the runtime libraries, the fonts, no
# development or compiler package), the file list (programs in /usr/bin,
# owned by root, stripped), the desktop entries (desktop-file-validate, their
# programs and icon in the package), and --help, --version and -v of every
# program, run from the unpacked package without a display.
#
#   tests/package/check-package.sh [--install]
#
# --install also installs the package with apt-get (as root), runs the
# installed programs, then purges it: the check that Depends is complete on
# a machine where the build tree is not used.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
install=0
[ "${1:-}" = --install ] && install=1

failures=0
fail() {
  echo "check-package: FAILED: $*" >&2
  failures=$((failures + 1))
}

"$root/scripts/package.sh"

version=$(sed -n 's/^project(Tallivo VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
arch=$(dpkg --print-architecture)
deb="$root/dist/tallivo_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "check-package: no $deb" >&2; exit 1; }
echo "== Inspecting ${deb#"$root"/}"

# ---- control fields
[ "$(dpkg-deb -f "$deb" Package)" = tallivo ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), expected $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
IFS=',' read -ra deps <<<"$depends"
names=()
for d in "${deps[@]}"; do
  d=${d# }
  names+=("${d%% *}")
done
has_dep() {
  local n
  for n in "${names[@]}"; do [[ $n =~ ^$1$ ]] && return 0; done
  return 1
}
for want in libqt6core6 libqt6gui6 libqt6widgets6 'libicu[0-9]+' 'libstdc\+\+6' \
  fonts-crosextra-carlito fonts-liberation2 fonts-open-sans fonts-dejavu-core fonts-comic-neue; do
  has_dep "$want" || fail "Depends lacks $want"
done
for n in "${names[@]}"; do
  case $n in
    *-dev | *-dev-* | gcc* | g++* | cpp* | clang* | cmake* | ninja-build | build-essential | make | libgtest* | libbenchmark*)
      fail "Depends holds the build package $n" ;;
  esac
done

# ---- files
listing=$(dpkg-deb -c "$deb")
while read -r mode owner _ _ _ path _; do
  [ "$owner" = root/root ] || fail "$path is owned by $owner"
  case $path in
    ./usr/ | ./usr/bin/ | ./usr/share/ | ./usr/share/applications/ | ./usr/share/doc/ | ./usr/share/icons/ | ./usr/share/icons/hicolor/ | \
      ./usr/share/icons/hicolor/*/ | ./usr/share/tallivo/* | ./usr/share/doc/tallivo/* | \
      ./usr/share/applications/tallivo.desktop | ./usr/share/icons/hicolor/*/apps/tallivo.png | \
      ./usr/lib/ | ./usr/lib/systemd/ | ./usr/lib/systemd/user/ | ./usr/lib/systemd/user/tallivo-sync.service) ;;
    ./usr/bin/tallivo | ./usr/bin/tallivo-*)
      [ "$mode" = -rwxr-xr-x ] || fail "$path has mode $mode" ;;
    *) fail "unexpected file $path" ;;
  esac
done <<<"$listing"
for want in ./usr/bin/tallivo ./usr/bin/tallivo-packet ./usr/bin/tallivo-office ./usr/bin/tallivo-catgen ./usr/bin/tallivo-layout ./usr/bin/tallivo-gesture \
  ./usr/bin/tallivo-journal ./usr/bin/tallivo-sync ./usr/lib/systemd/user/tallivo-sync.service \
  ./usr/share/applications/tallivo.desktop ./usr/share/tallivo/ARTICLE.XML \
  ./usr/share/tallivo/kiosk/tallivo-kiosk.desktop ./usr/share/tallivo/kiosk/README.md \
  ./usr/share/icons/hicolor/48x48/apps/tallivo.png ./usr/share/icons/hicolor/256x256/apps/tallivo.png; do
  grep -q " $want\$" <<<"$listing" || fail "missing $want"
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"

# ---- programs: stripped, without debug information, answering without a display
programs=()
for p in "$unpacked"/usr/bin/*; do
  name=$(basename "$p")
  programs+=("$name")
  file -b "$p" | grep -q ', stripped' || fail "$name is not stripped"
  ! readelf -S "$p" | grep -q '\.debug_' || fail "$name carries debug information"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$p" --version) || fail "$name --version fails"
  [ "$out" = "$name $version" ] || fail "$name --version says '$out'"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$p" -v) || fail "$name -v fails"
  [ "$out" = "$name $version" ] || fail "$name -v says '$out'"
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$p" --help) || fail "$name --help fails"
  [[ $help == usage* && $help == *"$name "* ]] || fail "$name --help says '$help'"
done

# ---- every library the programs and Qt's X11 platform plugin load comes
# from a package that Depends brings (directly or through its own Depends)
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${names[@]}" 2>/dev/null | grep -v '^ ' | sed 's/:.*//' | sort -u)
plugin=$(find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so' | head -n 1)
[ -n "$plugin" ] || fail "no X11 platform plugin of Qt 6 on this machine"
while read -r lib; do
  owner=$(dpkg -S "$lib" 2>/dev/null || dpkg -S "${lib#/usr}" 2>/dev/null || dpkg -S "/usr$lib" 2>/dev/null) ||
    { fail "$lib belongs to no package"; continue; }
  owner=${owner%%:*}
  grep -qx "$owner" <<<"$closure" || fail "$lib comes from $owner, which Depends does not bring"
done < <(ldd "$unpacked"/usr/bin/* $plugin | awk '/=> \// {print $3}' | sort -u)

# ---- desktop entries
for entry in "$unpacked"/usr/share/applications/tallivo.desktop "$unpacked"/usr/share/tallivo/kiosk/tallivo-kiosk.desktop; do
  desktop-file-validate "$entry" || fail "$(basename "$entry") is not valid"
  while read -r exec; do
    program=${exec#Exec=}
    program=${program%% *}
    [ -x "$unpacked/usr/bin/$program" ] || fail "$(basename "$entry") starts $program, not in the package"
  done < <(grep '^Exec=' "$entry")
  icon=$(sed -n 's/^Icon=//p' "$entry")
  ls "$unpacked"/usr/share/icons/hicolor/*/apps/"$icon".png >/dev/null 2>&1 || fail "no icon $icon"
done

# ---- the sender's user service starts a program of the package
unit="$unpacked"/usr/lib/systemd/user/tallivo-sync.service
program=$(sed -n 's/^ExecStart=//p' "$unit")
program=${program%% *}
[ -x "$unpacked$program" ] || fail "tallivo-sync.service starts $program, not in the package"

# ---- installing it for real (not in CI)
if [ $install = 1 ]; then
  echo "== Installing with apt-get"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "$deb"
  for name in "${programs[@]}"; do
    out=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "/usr/bin/$name" --version) ||
      fail "installed $name --version fails"
    echo "$out"
  done
  work=$(mktemp -d)
  (cd "$work" && /usr/bin/tallivo-catgen CAT.XML 10 && /usr/bin/tallivo-packet check CAT.XML >/dev/null) ||
    fail "installed tools do not run"
  # The workstation itself, on a virtual display: the demo in a fresh home.
  if command -v xvfb-run >/dev/null; then
    HOME="$work" XDG_RUNTIME_DIR="$work" timeout 20 xvfb-run -a /usr/bin/tallivo --home --demo &
    sleep 8
    [ -f "$work/Tallivo/ARTICLE.XML" ] || fail "installed workstation did not prepare ~/Tallivo"
    wait || true
  fi
  rm -rf "$work"
  apt-get -o DPkg::Lock::Timeout=300 purge -y tallivo
fi

if [ $failures -gt 0 ]; then
  echo "check-package: $failures failure(s)" >&2
  exit 1
fi
echo "== Package checked: ${deb#"$root"/}"
