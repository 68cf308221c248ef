#!/usr/bin/env bash
# Builds (installing what is missing) and runs every test.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$ROOT/scripts/setup.sh" --tests
cd "$ROOT/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2 --timeout 300
