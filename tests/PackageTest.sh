#!/usr/bin/env bash
# Makes the Debian package of the build (cpack -G DEB, into a temporary folder)
# and checks its fields and contents: what the install puts in place, the
# libraries read from the binaries, the programs it starts, and one version.
#   PackageTest.sh BUILD_DIR VERSION
set -euo pipefail
BUILD=$1
VERSION=$2
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$OUT" >"$OUT/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 20 "$OUT/cpack.log")"
deb=$(find "$OUT" -maxdepth 1 -name 'morvane_*.deb')
[ "$(basename "$deb")" = "morvane_${VERSION}_$(dpkg --print-architecture).deb" ] ||
    fail "package file '$deb'"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = morvane ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version: $(field Version), the build $VERSION"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
grep -qE '^.+ <[^ ]+@[^ ]+>$' <<<"$(field Maintainer)" || fail "Maintainer: $(field Maintainer)"
grep -q 'space on a disk' <<<"$(field Description)" || fail "Description: $(field Description)"
depends=$(field Depends)
# Worked out from the binaries (dpkg-shlibdeps), plus xdg-open.
for lib in libqt6core6 libqt6widgets6 libqt6printsupport6 libzip4 libxlsxwriter libsqlite3-0 xdg-utils; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -q 'x-terminal-emulator' <<<"$(field Recommends)" || fail "Recommends: $(field Recommends)"
grep -q 'e2fsprogs' <<<"$(field Suggests)" || fail "Suggests: $(field Suggests)"
for f in Depends Recommends; do
    grep -qE 'e2fsprogs|xvfb|gtest' <<<"$(field $f)" && fail "$f: $(field $f)"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in usr/bin/morvane usr/bin/morvane-window \
         usr/share/applications/org.morvane.morvane.desktop \
         usr/share/metainfo/org.morvane.morvane.metainfo.xml \
         usr/share/icons/hicolor/256x256/apps/morvane.png \
         usr/share/icons/hicolor/16x16/apps/morvane.png \
         usr/share/morvane/alt1.bmp usr/share/morvane/alt2.bmp \
         usr/share/man/man1/morvane.1 usr/share/man/man1/morvane-window.1; do
    grep -qx "./$f" <<<"$files" || fail "the package lacks /$f"
done
grep -qE 'make-icons|make-strips|test_|_bench' <<<"$files" && fail "build tools in the package"

# The packaged (stripped) program runs and tells the same version.
dpkg-deb -x "$deb" "$OUT/root"
[ "$("$OUT/root/usr/bin/morvane" --version)" = "morvane $VERSION" ] ||
    fail "packaged morvane --version: $("$OUT/root/usr/bin/morvane" --version)"
echo "package: 1 passed, 0 failed"
