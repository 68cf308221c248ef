#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: install the Debian packages that building
# and running need (when missing), then configure and build into build/.
#   scripts/setup.sh           what ./run.sh needs: no test tool, no tests built
#   scripts/setup.sh --tests   what ./test.sh needs: the test tools too, tests built
# Every package is named: a minimal Debian 12 has none of them, and packages are
# installed without their recommendations.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TESTS=OFF
case "${1:-}" in
    --tests) TESTS=ON ;;
    "") ;;
    *) echo "usage: scripts/setup.sh [--tests]" >&2; exit 2 ;;
esac
PACKAGES=(
    # build
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-charts-dev
    libqt6opengl6-dev            # Qt6Charts' CMake files need Qt6OpenGL's
    libzip-dev libxlsxwriter-dev libjpeg-dev
    zlib1g-dev                   # CRC of what an archive move read
    libsqlite3-dev               # browser history stores
    libxxhash-dev                # content hashes of the duplicate finder
    dpkg-dev file                # cpack -G DEB reads the libraries the programs need
    # program: tool bar and menu icons
    adwaita-icon-theme
    fonts-wine                   # Tahoma's metrics for the File menu's banner
    xdg-utils                    # xdg-open opens folders and files
)
TEST_PACKAGES=(
    libgtest-dev
    poppler-utils                # printed PDFs read back
    imagemagick
    unzip                        # archives read back by another tool
    libmagickcore-6.q16-6-extra  # ImageMagick reads WMF files only with this
    xvfb xauth                   # screenshots of the window
    desktop-file-utils           # the install test validates the desktop entry
    appstream                    # ... and the AppStream metadata
    man-db groff-base            # the manual pages render without warnings
    locales                      # locale sources for the decimal-comma tests
    ncdu gdu                     # snapshot round trips against the peer tools
    gvfs dbus-daemon             # gio lists and restores what the Trash tests trashed
    jdupes rdfind fdupes rmlint  # the duplicate finder checked against the peer finders
)
[ "$TESTS" = ON ] && PACKAGES+=("${TEST_PACKAGES[@]}")

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q >&2
        apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
    else
        echo "Missing packages. Run as root:" >&2
        echo "  apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
fi

BUILD="$ROOT/build"
# A build tree made by run.sh gets its tests turned on by test.sh; test.sh's
# tree stays as it is for run.sh.
configured=$(sed -n 's/^MORVANE_TESTS:BOOL=//p' "$BUILD/CMakeCache.txt" 2>/dev/null || true)
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVANE_TESTS=$TESTS >&2
elif [ "$TESTS" = ON ] && [ "$configured" != ON ]; then
    cmake -S "$ROOT" -B "$BUILD" -DMORVANE_TESTS=ON >&2
fi
cmake --build "$BUILD" -j 2 >&2
