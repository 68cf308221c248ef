#!/usr/bin/env bash
# File list speed and memory on the wide synthetic tree (about 221,000 entries),
# or on the million-file tree of bench/million_tree.py when that is given.
# usage: bench/filelist_bench.sh [TREE]   (default /tmp/morvane-bench/wide, made when missing)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TREE="${1:-/tmp/morvane-bench/wide}"
GEN="$ROOT/../../shared/bench/gen_tree.py"
[ -f "$GEN" ] || GEN=/work/shared/bench/gen_tree.py
if [ ! -d "$TREE" ]; then
    echo "Generating $TREE ..." >&2
    python3 "$GEN" wide "$TREE"
fi
BUILD="$ROOT/build"
[ -f "$BUILD/build.ninja" ] || cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
cmake --build "$BUILD" -j2 --target filelist_bench >&2
QT_QPA_PLATFORM=offscreen "$BUILD/bench/filelist_bench" "$TREE"
