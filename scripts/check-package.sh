#!/usr/bin/env bash
# Builds the Debian package in build-deb/ and checks it as a distribution would: lintian
# (no error or warning), the AppStream metadata, the desktop entry and the manual page.
# Prints the package's path last; exits non-zero when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh lintian appstream desktop-file-utils man-db
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DTESSEL_BUILD_TESTS=OFF >/dev/null
cmake --build build-deb >&2
rm -f build-deb/tessel-html_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/tessel-html_*.deb)
id=$(sed -n 's/^set(TESSEL_APP_ID "\(.*\)")$/\1/p' CMakeLists.txt)

failed=0
check() {
  local name=$1
  shift
  echo "== $name" >&2
  if ! "$@" >&2; then
    echo "FAILED: $name" >&2
    failed=1
  fi
}
check lintian lintian --fail-on error,warning --info "$deb"
check appstreamcli appstreamcli validate --pedantic --no-net "packaging/$id.metainfo.xml"
check desktop-file-validate desktop-file-validate "packaging/$id.desktop"
# groff's warnings about the page, as lintian reads them; any output is a fault.
manual_warnings() {
  local out
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z build-deb/doc/tessel-html.1 2>&1 >/dev/null)
  [ -z "$out" ] || { echo "$out"; return 1; }
}
check "man -l" manual_warnings
# dpkg-shlibdeps reads the libraries off the binaries; these two come with no other.
depends_on() { dpkg-deb -f "$deb" Depends | grep -q "$1"; }
check "Depends on libeditorconfig0" depends_on libeditorconfig0
check "Depends on libuchardet0" depends_on libuchardet0
[ $failed -eq 0 ] || exit 1
echo "$deb"
