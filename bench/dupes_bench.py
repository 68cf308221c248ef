#!/usr/bin/env python3
"""Times the duplicate finder by content against jdupes, rdfind, fdupes and rmlint.

usage: bench/dupes_bench.py [--size-gb G] [--runs N] [--binary PATH] [--keep] [--no-cold]

Generates a tree of about G GB (default 2.5) in /tmp/morvane-dupes-bench: large
files with copies, near-copies differing in one byte in the middle (same size,
head and tail), hard links, and many same-size small and middle-sized files of
which a few are copies. Then, warm (median of N runs) and, as root, cold (the
page cache dropped before each run), times
    morvane --duplicates TREE --format json --output FILE
and each peer that is installed (a missing one is skipped), with peak memory
(GNU time), and checks that our groups are those of `jdupes -r` (names of one
inode counted once). The tree is removed at the end unless --keep.
"""
import argparse
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
TREE = '/tmp/morvane-dupes-bench'
OUT = '/tmp/morvane-dupes-bench-out'
MB = 1 << 20


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def generate(size_gb, seed=31):
    rnd = random.Random(seed)
    budget = int(size_gb * 1024 * MB)
    used = 0
    # Many same-size small files (12 KiB, past head and tail), one in 50 a copy.
    prev = None
    for i in range(20000):
        data = prev if prev is not None and i % 50 == 0 else rnd.randbytes(12 * 1024)
        write(f'{TREE}/small/d{i // 500}/f{i}.bin', data)
        prev = data
        used += len(data)
    # Same-size middle files (1 MiB) with the same head and tail, different middle.
    head, tail = rnd.randbytes(4096), rnd.randbytes(4096)
    for i in range(200):
        write(f'{TREE}/headtail/h{i}.dat', head + rnd.randbytes(MB - 8192) + tail)
        used += MB
    # Large files: copies (some hard links), near-copies differing in the middle.
    i = 0
    while used < budget:
        size = rnd.choice([8, 16, 32, 64]) * MB
        data = bytearray(rnd.randbytes(size))
        base = f'{TREE}/large/g{i}'
        write(f'{base}/orig.dat', data)
        kind = i % 4
        if kind in (0, 1):
            write(f'{TREE}/copies/c{i}.dat', data)
            used += size
        if kind == 1:
            os.link(f'{base}/orig.dat', f'{base}/hardlink.dat')
        if kind in (2, 3):
            data[size // 2] ^= 0xFF
            write(f'{base}/near.dat', data)
            used += size
        used += size
        i += 1
    os.sync()
    return used


def run(cmd, cold):
    if cold:
        os.sync()
        with open('/proc/sys/vm/drop_caches', 'w') as f:
            f.write('3\n')
    t = time.perf_counter()
    p = subprocess.run(['/usr/bin/time', '-f', '%M'] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True, cwd=OUT)
    elapsed = time.perf_counter() - t
    if p.returncode not in (0, 1):  # fdupes/jdupes end with 1 when they found some
        sys.exit('failed (%d): %s\n%s' % (p.returncode, ' '.join(cmd), p.stderr[-2000:]))
    return elapsed, int(p.stderr.strip().splitlines()[-1])


def inode_groups(groups):
    """Groups as sets of inodes, those of fewer than two inodes left out."""
    out = set()
    for paths in groups:
        inodes = frozenset((os.lstat(p).st_dev, os.lstat(p).st_ino) for p in paths)
        if len(inodes) > 1:
            out.add(inodes)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--size-gb', type=float, default=2.5)
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--binary', default=os.path.join(REPO, 'build', 'morvane'))
    ap.add_argument('--keep', action='store_true', help='keep (and reuse) the tree')
    ap.add_argument('--no-cold', action='store_true')
    a = ap.parse_args()
    os.makedirs(OUT, exist_ok=True)
    if not os.path.isdir(TREE):
        t = time.perf_counter()
        used = generate(a.size_gb)
        print('tree: %.2f GB in %.0f s' % (used / 1024 / MB, time.perf_counter() - t))
    ours = os.path.join(OUT, 'ours.json')
    jd = os.path.join(OUT, 'jdupes.txt')
    tools = [('morvane', [a.binary, '--duplicates', TREE, '--format', 'json', '--output', ours]),
             ('jdupes', ['sh', '-c', 'jdupes -r "$0" > "$1"', TREE, jd]),
             ('rdfind', ['rdfind', '-dryrun', 'true', '-outputname', os.path.join(OUT, 'r.txt'),
                         TREE]),
             ('fdupes', ['sh', '-c', 'fdupes -r "$0" > /dev/null', TREE]),
             ('rmlint', ['rmlint', '-T', 'df', '-o', 'fdupes:' + os.path.join(OUT, 'rm.txt'),
                         TREE])]
    present = [(n, c) for n, c in tools if n == 'morvane' or shutil.which(n)]
    for n, _ in tools:
        if (n, _) not in present:
            print('skipped (not installed):', n)
    modes = ['warm'] + ([] if a.no_cold or os.geteuid() != 0 else ['cold'])
    try:
        for mode in modes:
            runs = a.runs
            if mode == 'warm':
                for _, cmd in present:  # fill the cache
                    run(cmd, False)
            times = {n: [] for n, _ in present}
            peaks = {n: [] for n, _ in present}
            for _ in range(runs):
                for n, cmd in present:
                    t, m = run(cmd, mode == 'cold')
                    times[n].append(t)
                    peaks[n].append(m)
            print('\n%s cache, median of %d:' % (mode, runs))
            for n, _ in present:
                print('  %-8s %7.2f s  %7.1f MB' % (n, statistics.median(times[n]),
                                                  max(peaks[n]) / 1024))
            peers = [n for n, _ in present if n != 'morvane']
            if peers:
                fastest = min(peers, key=lambda n: statistics.median(times[n]))
                smallest = min(peers, key=lambda n: max(peaks[n]))
                print('  time / fastest peer (%s): %.2f; memory - smallest peer (%s): %+.1f MB'
                      % (fastest, statistics.median(times['morvane'])
                         / statistics.median(times[fastest]),
                         smallest, (max(peaks['morvane']) - max(peaks[smallest])) / 1024))
        with open(ours) as f:
            mine = inode_groups(g['paths'] for g in json.load(f)['groups'])
        if os.path.exists(jd):
            with open(jd) as f:
                theirs = inode_groups(block.splitlines()
                                      for block in f.read().split('\n\n') if block.strip())
            print('\ngroups: ours %d, jdupes %d, %s' % (len(mine), len(theirs),
                                                      'same' if mine == theirs else 'DIFFERENT'))
            if mine != theirs:
                sys.exit(1)
    finally:
        if not a.keep:
            shutil.rmtree(TREE, ignore_errors=True)
        shutil.rmtree(OUT, ignore_errors=True)


if __name__ == '__main__':
    main()
