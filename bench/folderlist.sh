#!/usr/bin/env bash
# Times a fill of 10,000 rows into the folder size list and its sorts
# (offscreen, so no display is needed). Prints the milliseconds measured.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake --build "$ROOT/build" -j 2 --target test_gui >/dev/null
for i in 1 2 3; do
    QT_QPA_PLATFORM=offscreen "$ROOT/build/tests/test_gui" \
        --gtest_filter='FolderListSpeed.*' | grep '^fill'
done
