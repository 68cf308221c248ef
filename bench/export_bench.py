#!/usr/bin/env python3
"""Times the export writers on the file list of the wide synthetic tree.

usage: bench/export_bench.py [--runs N] [--binary PATH] [--trees DIR]

Uses the wide tree of gen_tree.py (200,000 files) in DIR (default
/tmp/morvane-bench, built when missing), then per round runs
    morvane --report TREE --output /dev/null                     (scan, size list)
    morvane --report TREE --files --format F --output OUT.F      (F = text, csv, html, xlsx)
and prints, per format, the median wall time, the time above the plain scan (the
file list's rows, with their last-access lookups, and the writer), the rows per
second of that part, the output size and the peak memory.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
FORMATS = ['text', 'csv', 'html', 'xlsx']


def find_generator():
    for rel in ('../shared/bench/gen_tree.py', '../../shared/bench/gen_tree.py'):
        p = os.path.normpath(os.path.join(REPO, rel))
        if os.path.exists(p):
            return p
    sys.exit('gen_tree.py not found beside the repository (../shared/bench/)')


def run(cmd):
    """Wall time and peak memory (KB) of one run."""
    t = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, ru = os.wait4(p.pid, 0)
    elapsed = time.perf_counter() - t
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f'{" ".join(cmd)} failed')
    return elapsed, ru.ru_maxrss


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--binary', default=os.path.join(REPO, 'build', 'morvane'))
    ap.add_argument('--trees', default='/tmp/morvane-bench')
    a = ap.parse_args()
    if not os.access(a.binary, os.X_OK):
        sys.exit(f'{a.binary} not built (cmake --build build --target morvane)')
    tree = os.path.join(a.trees, 'wide')
    if not os.path.isdir(tree):
        os.makedirs(a.trees, exist_ok=True)
        subprocess.run([sys.executable, find_generator(), 'wide', tree], check=True)

    with tempfile.TemporaryDirectory() as out:
        base = [a.binary, '--report', tree]
        cmds = {'scan': base + ['--output', '/dev/null']}
        for f in FORMATS:
            cmds[f] = base + ['--files', '--format', f, '--output', os.path.join(out, 'list.' + f)]
        times = {k: [] for k in cmds}
        peaks = {k: 0 for k in cmds}
        run(cmds['scan'])  # warm the page cache
        for _ in range(a.runs):
            for k, cmd in cmds.items():  # interleaved, so load changes hit all alike
                t, peak = run(cmd)
                times[k].append(t)
                peaks[k] = max(peaks[k], peak)
        rows = sum(1 for _ in open(os.path.join(out, 'list.csv'), 'rb')) - 4
        scan = statistics.median(times['scan'])
        print(f'wide tree, {rows} file rows, median of {a.runs} runs, page cache warm')
        print(f'{"":6} {"wall s":>8} {"extra s":>9} {"rows/s":>10} {"MB out":>8} {"peak MB":>8}')
        print(f'{"scan":6} {scan:8.2f} {"":>9} {"":>10} {"":>8} {peaks["scan"] / 1024:8.0f}')
        for f in FORMATS:
            t = statistics.median(times[f])
            extra = max(t - scan, 1e-6)
            size = os.path.getsize(os.path.join(out, 'list.' + f)) / 1e6
            print(f'{f:6} {t:8.2f} {extra:9.2f} {rows / extra:10.0f} {size:8.1f} '
                  f'{peaks[f] / 1024:8.0f}')


if __name__ == '__main__':
    main()
