#!/usr/bin/env python3
"""Times snapshots: reading a generated 1,000,000-entry export, and writing one.

usage: bench/snapshot_bench.py [--entries N] [--runs N] [--binary PATH] [--tree DIR]

Reading: generates an export of N entries (default 1,000,000; folders of 50
files, 20 subfolders to a folder, four levels) into /tmp/morvane-snapshot-N.json once, then
times
    morvane --report --open-snapshot FILE --output /dev/null
against `ncdu -f FILE -o /dev/null` (the peer reading the same file), with the
peak memory of both.
Writing (with --tree DIR): times
    morvane --report DIR --format ncdu-json --output /tmp/...
against `du -s --apparent-size -b DIR` and `ncdu -0 -o FILE DIR`, page cache warm.
Prints medians and ratios.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


def run(cmd):
    """Wall time and peak resident memory (KiB) of one run. The peak comes from
    GNU time: a child's own rusage would count the Python it was forked from."""
    t = time.perf_counter()
    p = subprocess.run(['/usr/bin/time', '-f', '%M'] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - t
    if p.returncode != 0:
        sys.exit('failed: ' + ' '.join(cmd))
    return elapsed, int(p.stderr.strip().splitlines()[-1])


def generate(path, entries):
    """A tree of folders holding 50 files each, 20 subfolders to a folder."""
    count = 0
    with open(path, 'w') as out:
        out.write('[1,2,{"progname":"bench","timestamp":0},\n')

        def folder(name, depth):
            nonlocal count
            out.write('[{"name":"%s","asize":4096}' % name)
            count += 1
            for i in range(50):
                if count >= entries:
                    break
                out.write(',\n{"name":"file-%d.dat","asize":%d,"dsize":%d}'
                          % (i, (count * 7919) % 100000, 4096))
                count += 1
            for i in range(20 if depth < 3 else 0):
                if count >= entries:
                    break
                out.write(',\n')
                folder('dir-%d' % i, depth + 1)
            out.write(']')

        # Top levels are wide; the recursion stops at the wanted count.
        out.write('[{"name":"/bench","asize":4096}')
        count += 1
        i = 0
        while count < entries:
            out.write(',\n')
            folder('top-%d' % i, 1)
            i += 1
        out.write(']]\n')
    return count


def median_run(cmd, runs):
    results = [run(cmd) for _ in range(runs)]
    return statistics.median(r[0] for r in results), max(r[1] for r in results)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--entries', type=int, default=1_000_000)
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--binary', default=os.path.join(REPO, 'build', 'morvane'))
    ap.add_argument('--tree')
    a = ap.parse_args()

    path = '/tmp/morvane-snapshot-%d.json' % a.entries
    if not os.path.exists(path):
        n = generate(path, a.entries)
        print('generated %s: %d entries, %.1f MB' % (path, n, os.path.getsize(path) / 1e6))
    ours = median_run([a.binary, '--report', '--open-snapshot', path, '--output', '/dev/null'],
                      a.runs)
    print('read  morvane: %.2f s, peak %.1f MB' % (ours[0], ours[1] / 1024))
    if shutil.which('ncdu'):
        peer = median_run(['ncdu', '-f', path, '-o', '/dev/null'], a.runs)
        print('read  ncdu:    %.2f s, peak %.1f MB  (morvane/ncdu time %.2f, memory %.2f)'
              % (peer[0], peer[1] / 1024, ours[0] / peer[0], ours[1] / peer[1]))

    if a.tree:
        out = '/tmp/morvane-snapshot-written.json'
        times = {'du': [], 'morvane': [], 'ncdu': []}
        for _ in range(a.runs):
            times['du'].append(run(['du', '-s', '--apparent-size', '-b', a.tree]))
            times['morvane'].append(run([a.binary, '--report', a.tree, '--format', 'ncdu-json',
                                         '--output', out]))
            if shutil.which('ncdu'):
                times['ncdu'].append(run(['ncdu', '-0', '-o', out + '.ncdu', a.tree]))
        du = statistics.median(t[0] for t in times['du'])
        for name, t in times.items():
            if not t:
                continue
            m = statistics.median(x[0] for x in t)
            print('write %-8s %.2f s (x%.2f du), peak %.1f MB'
                  % (name + ':', m, m / du, max(x[1] for x in t) / 1024))


if __name__ == '__main__':
    main()
