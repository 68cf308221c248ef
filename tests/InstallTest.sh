#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the desktop finds
# the program: both programs, a valid desktop entry, the hicolor icons and the
# AppStream metadata of the same version as the programs, and the manual pages.
#   InstallTest.sh BUILD_DIR VERSION
set -euo pipefail
BUILD=$1
VERSION=$2
ID=org.morvane.morvane
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
for f in bin/morvane bin/morvane-window; do
    [ -x "$PREFIX/$f" ] || fail "$f missing or not executable"
done
entry=$PREFIX/share/applications/$ID.desktop
[ -f "$entry" ] || fail "desktop entry missing"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
grep -qx 'Exec=morvane %F' "$entry" || fail "Exec line"
grep -qx 'Icon=morvane' "$entry" || fail "Icon line"
grep -qx 'Categories=Utility;System;Filesystem;Qt;' "$entry" || fail "Categories line"
for size in 16 22 24 32 48 64 128 256; do
    icon=$PREFIX/share/icons/hicolor/${size}x${size}/apps/morvane.png
    [ -f "$icon" ] || fail "icon $size missing"
    # PNG header, then the IHDR width and height.
    dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "icon $size is $dims"
done
# The software centres' view: metadata, desktop entry and icon agree (no network).
meta=$PREFIX/share/metainfo/$ID.metainfo.xml
[ -f "$meta" ] || fail "AppStream metadata missing"
out=$(appstreamcli validate-tree --pedantic --no-net "$PREFIX" 2>&1) ||
    fail "appstreamcli validate-tree: $out"
grep -q '^[EWIP]:' <<<"$out" && fail "appstreamcli reports: $out"
# One version: the program's, the build's and the newest release's.
[ "$("$PREFIX/bin/morvane" --version)" = "morvane $VERSION" ] ||
    fail "morvane --version says '$("$PREFIX/bin/morvane" --version)', the build $VERSION"
newest=$(grep -o '<release [^>]*version="[^"]*"' "$meta" | head -n 1 | sed 's/.*version="//; s/"$//')
[ "$newest" = "$VERSION" ] || fail "newest release in the metadata is '$newest', the build $VERSION"
for page in morvane morvane-window; do
    [ -f "$PREFIX/share/man/man1/$page.1" ] || fail "manual page $page.1 missing"
done
[ -f "$PREFIX/share/morvane/alt1.bmp" ] && [ -f "$PREFIX/share/morvane/alt2.bmp" ] ||
    fail "alternative button strips missing"
# The installed program runs from its new place (the report needs no display).
mkdir -p "$PREFIX/tree/sub" && printf 'abc' > "$PREFIX/tree/sub/f"
"$PREFIX/bin/morvane" --report "$PREFIX/tree" --bare --format csv | grep -q '^sub,' ||
    fail "installed morvane does not report"
echo "install: 1 passed, 0 failed"
