#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: install the Debian packages the build
# needs (when missing), then configure and build into build/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(qt6-base-dev qt6-charts-dev libzip-dev zlib1g-dev libxlsxwriter-dev libjpeg-dev
          libgtest-dev cmake ninja-build pkg-config g++ poppler-utils
          xvfb xauth imagemagick adwaita-icon-theme)

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
        echo "  apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
fi

BUILD="$ROOT/build"
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
fi
cmake --build "$BUILD" -j 2 >&2
