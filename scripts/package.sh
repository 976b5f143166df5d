#!/usr/bin/env bash
# Makes the Debian package dist/tallivo_<version>_<arch>.deb: installs the
# build dependencies (scripts/setup.sh), builds in Release in build-package/
# only what the package installs (no tests, benchmarks or developer tools),
# then runs CPack. The version is the one of the top CMakeLists.txt.
#
#   scripts/package.sh
#
# Environment: as scripts/setup.sh (TALLIVO_SKIP_PACKAGES, TALLIVO_CMAKE_ARGS).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-package"

TALLIVO_BUILD_TYPE=Release \
  TALLIVO_CMAKE_ARGS="${TALLIVO_CMAKE_ARGS:-} -DCMAKE_INSTALL_PREFIX=/usr -DTALLIVO_TESTS=OFF -DTALLIVO_BENCH=OFF -DTALLIVO_DEV_TOOLS=OFF" \
  "$root/scripts/setup.sh" "$build"

echo "== Packaging"
mkdir -p "$root/dist"
rm -f "$root"/dist/tallivo_*.deb
(cd "$build" && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX="$root/dist" >cpack.log) || {
  cat "$build/cpack.log" >&2
  exit 1
}
shopt -s nullglob
debs=("$root"/dist/tallivo_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "expected one package in dist/, found ${#debs[@]}" >&2
  exit 1
fi
echo "== ${debs[0]#"$root"/}"
