#!/usr/bin/env bash
# Writes every output that must stay the same from one build to the next, so two
# builds can be compared byte for byte:
#     bench/same_output.sh make BUILD OUT [TREE1M]
#     bench/same_output.sh compare OUT_A OUT_B
# "make" runs BUILD's morvane (and filelist_bench when TREE1M is given: the tree
# of bench/million_tree.py) on a small tree made here (names that are not UTF-8,
# hidden folders, links, empty folders, fixed dates) and on TREE1M, in the C and
# the German locale: the size list and the file list in every format, the result
# file, the ncdu-json snapshot, the report of that snapshot, and the file list
# digests after each step. The snapshot's timestamp is blanked; a workbook is
# compared by the text of its parts.
set -euo pipefail
mode="${1:-}"
if [ "$mode" = compare ]; then
    diff -r "$2" "$3" && echo "identical: $2 $3"
    exit
fi
[ "$mode" = make ] || { echo "usage: $0 make BUILD OUT [TREE1M] | compare A B" >&2; exit 2; }
BUILD="$(cd "$2" && pwd)"
OUT="$3"
BIG="${4:-}"
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
SMALL=/tmp/morvane-same-small

if [ ! -e "$SMALL/.complete" ]; then
    rm -rf "$SMALL"
    python3 - "$SMALL" <<'EOF'
import os, sys
root = sys.argv[1].encode()
def mk(p, size=None, t=1_000_000_000):
    full = os.path.join(root, p)
    if size is None:
        os.makedirs(full, exist_ok=True)
    else:
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'wb') as f:
            f.write(b'y' * size)
        os.utime(full, (t + 86400 * 30, t))
mk(b'alpha/one.txt', 1500)
mk(b'alpha/two.bin', 2 * 1024 * 1024 + 7, 1_100_000_000)
mk(b'alpha/deep/er/still/leaf.dat', 99)
mk(b'alpha/.hidden/inside.txt', 5000)
mk(b'beta/caf\xe9-latin1.txt', 333)
mk(b'beta/\xff\xfe-bad/x.txt', 12345)
mk(b'beta/na\xc3\xafve.txt', 1)
mk(b'.dotdir/secret', 4000)
mk(b'empty1')
mk(b'empty2/empty3')
mk(b'top file.txt', 777)
mk(b'.dotfile', 55)
mk(b'gamma/big.img', 5 * 1024 * 1024)
mk(b'gamma/sub/zero.txt', 0)
os.symlink(b'../alpha', os.path.join(root, b'gamma/link-to-alpha'))
os.symlink(b'nowhere', os.path.join(root, b'broken-link'))
os.symlink(b'alpha', os.path.join(root, b'link-dir'))
for dirpath, dirnames, filenames in os.walk(root, topdown=False):
    os.utime(dirpath, (1_200_000_000, 1_200_000_000))
open(os.path.join(root, b'.complete'), 'wb').close()
EOF
fi

LOC="$OUT/.locales"
mkdir -p "$LOC"
[ -d "$LOC/de_DE.UTF-8" ] || localedef -i de_DE -f UTF-8 "$LOC/de_DE.UTF-8" 2>/dev/null || true
M="$BUILD/morvane"

# report NAME ARGS...: one output file per run; the snapshot's timestamp blanked.
report() {
    local name="$1"
    shift
    "$M" --report "$@" --output "$OUT/$name" 2>"$OUT/$name.err" || echo "exit $?" >>"$OUT/$name.err"
}

for tree in small ${BIG:+big}; do
    dir="$SMALL"
    [ "$tree" = big ] && dir="$BIG"
    for loc in C de; do
        if [ "$loc" = de ]; then export LOCPATH="$LOC" LC_ALL=de_DE.UTF-8; else export LC_ALL=C; unset LOCPATH; fi
        p="$tree-$loc"
        for f in text csv csv-semicolon html xlsx; do
            [ "$tree" = big ] && [ "$f" != text ] && [ "$f" != csv ] && continue
            report "$p-list.$f" "$dir" --format "$f" --bare
            report "$p-files.$f" "$dir" --files --format "$f" --bare
        done
        report "$p-files-min.csv" "$dir" --files --min-size 2 --format csv --bare
        report "$p-free.text" "$dir" --free-space --bare
        report "$p-head.text" "$dir" --files --header X
        "$M" --report "$dir" --bare --save-result "$OUT/$p.mvx" --output /dev/null
        report "$p.json" "$dir" --format ncdu-json
        sed -i 's/"timestamp":[0-9]*/"timestamp":0/' "$OUT/$p.json"
        report "$p-snap-list.csv" --open-snapshot "$OUT/$p.json" --format csv --bare
        report "$p-snap-files.csv" --open-snapshot "$OUT/$p.json" --files --format csv --bare
        [ "$tree" = small ] && report "$p-snap-sub.csv" --open-snapshot "$OUT/$p.json" --path beta --files --format csv --bare
        for x in "$OUT/$p"*.xlsx; do
            [ -f "$x" ] || continue
            (cd "$OUT" && unzip -p "$x" 'xl/*' >"$x.parts" && rm -f "$x")
        done
        # The first line of a header is the date and time of the run.
        sed -i '1s/.*/(header)/' "$OUT/$p-head.text"
        if [ -x "$BUILD/bench/filelist_bench" ]; then
            QT_QPA_PLATFORM=offscreen "$BUILD/bench/filelist_bench" "$dir" --digest |
                grep -E 'digest|^(detail|sort|find|plain)' | sed -E 's/ +[0-9.,]+ s +[0-9.,]+ s.*//' >"$OUT/$p-filelist.digest"
            QT_QPA_PLATFORM=offscreen "$BUILD/bench/filelist_bench" "$OUT/$p.json" --digest |
                grep -E 'digest|^(detail|sort|find|plain)' | sed -E 's/ +[0-9.,]+ s +[0-9.,]+ s.*//' >"$OUT/$p-snapshot.digest"
        fi
    done
done
echo "written to $OUT"
