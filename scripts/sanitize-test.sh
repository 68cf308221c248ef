#!/usr/bin/env bash
# The core tests (the readers fed damaged files among them) built with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/: an overflow,
# an out-of-bounds access or a leak fails the run. Needs what test.sh installs.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-asan"
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVANE_SANITIZE=ON >&2
fi
cmake --build "$BUILD" -j 2 --target test_core >&2
cd "$BUILD"
# The sanitizers' stack frames are some three times larger; the snapshot writer
# goes down one call per folder level, and a test writes 4,100 levels.
ulimit -s 65536 2>/dev/null || true
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --output-on-failure -j 2 --timeout 600
