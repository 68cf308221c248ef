#!/usr/bin/env python3
"""Times the size scanner against du on the synthetic trees, page cache warm or cold.

usage: bench/scan_bench.py [--runs N] [--cold] [--threads N,...] [--binary PATH] [--trees DIR]

Builds the trees of gen_tree.py (wide, deep) once into DIR (default
/tmp/morvane-bench, reused when present), then, per tree and round, runs
    du -s --apparent-size -b TREE
    morvane --report TREE --output /dev/null --threads 1     (one thread)
    morvane --report TREE --output /dev/null                 (default walk)
    morvane --report TREE --output /dev/null --threads N     (each N of --threads)
interleaved, and prints the median wall times and their ratios to du, the peak
memory of the walks on the wide tree, and whether the sizes agree with du.

--cold drops the page, dentry and inode caches before every run of every command
(sync; echo 3 > /proc/sys/vm/drop_caches, as root), so each one reads the disk;
du is timed in the same rounds, so the ratios compare like with like.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


def find_generator():
    for rel in ('../shared/bench/gen_tree.py', '../../shared/bench/gen_tree.py'):
        p = os.path.normpath(os.path.join(REPO, rel))
        if os.path.exists(p):
            return p
    sys.exit('gen_tree.py not found beside the repository (../shared/bench/)')


def drop_caches():
    os.sync()
    with open('/proc/sys/vm/drop_caches', 'w') as f:
        f.write('3\n')


def wall(cmd, cold=False):
    """Wall time and CPU time (user + system) of one run."""
    if cold:
        drop_caches()
    t = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, ru = os.wait4(p.pid, 0)
    elapsed = time.perf_counter() - t
    p.returncode = os.waitstatus_to_exitcode(status)
    if p.returncode != 0:
        sys.exit(f'{cmd} failed with {p.returncode}')
    return elapsed, ru.ru_utime + ru.ru_stime


def peak_kb(cmd):
    r = subprocess.run(['/usr/bin/time', '-f', '%M'] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True, check=True)
    return int(r.stderr.strip().splitlines()[-1])


def check_sizes(binary, tree):
    """The report's rows against du: du's apparent total less the folders' own sizes."""
    du_total = int(subprocess.run(['du', '-s', '--apparent-size', '-b', tree], capture_output=True,
                                  text=True, check=True).stdout.split()[0])
    listing = subprocess.run(['find', tree, '-mindepth', '1', '-printf', '%y %s %P\\0'],
                             capture_output=True, check=True).stdout.split(b'\0')
    dirs_bytes = os.lstat(tree).st_size
    per_top = {}
    for item in listing:
        if not item:
            continue
        kind, size, rel = item.split(b' ', 2)
        size = int(size)
        if kind == b'd':
            dirs_bytes += size
            continue
        top = rel.split(b'/', 1)[0].decode() if b'/' in rel else '<All files in this folder>'
        per_top[top] = per_top.get(top, 0) + size
    expected = du_total - dirs_bytes
    out = subprocess.run([binary, '--report', tree, '--format', 'csv', '--bare'],
                         capture_output=True, text=True, check=True).stdout
    rows = [line.split(',') for line in out.splitlines() if line]
    ok = True
    total_kb = 0.0
    for r in rows:
        kb = float(r[2])
        total_kb += kb
        # CSV puts an apostrophe before a name that a spreadsheet would take for a formula.
        name = r[0][1:] if r[0][:1] == "'" and r[0][1:2] in ('=', '+', '-', '@') else r[0]
        want = per_top.get(name, 0) / 1024
        if abs(kb - want) > 0.0051:
            ok = False
            print(f'  row {name}: report {kb} KB, du {want:.4f} KB')
    off = abs(total_kb * 1024 - expected)
    ok = ok and off <= 5.2 * len(rows)
    print(f'  sizes: du {du_total} bytes - folders {dirs_bytes} = {expected} bytes; '
          f'report {total_kb:.2f} KB over {len(rows)} rows: {"agree" if ok else "DIFFER"}')
    return ok


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('--cold', action='store_true', help='drop the caches before every run')
    ap.add_argument('--threads', default='', help='also time these thread counts, e.g. 4,8')
    ap.add_argument('--binary', default=os.path.join(REPO, 'build', 'morvane'))
    ap.add_argument('--trees', default='/tmp/morvane-bench')
    a = ap.parse_args()
    if not os.access(a.binary, os.X_OK):
        sys.exit(f'{a.binary} not built (cmake --build build)')
    if a.cold:
        try:
            drop_caches()
        except OSError as e:
            sys.exit(f'--cold needs to drop the caches (as root): {e}')
    extra = [int(n) for n in a.threads.split(',') if n]
    os.makedirs(a.trees, exist_ok=True)
    gen = None
    good = True
    mode = 'cold' if a.cold else 'warm'
    for name in ('wide', 'deep'):
        tree = os.path.join(a.trees, name)
        if not os.path.isdir(tree):
            gen = gen or find_generator()
            print(f'building {tree} ...', flush=True)
            subprocess.run([sys.executable, gen, name, tree], check=True)
        base = [a.binary, '--report', tree, '--output', '/dev/null']
        cmds = {'du': ['du', '-s', '--apparent-size', '-b', tree],
                'one': base + ['--threads', '1'],
                'default': base}
        for n in extra:
            cmds[f'threads {n}'] = base + ['--threads', str(n)]
        if not a.cold:
            for cmd in cmds.values():  # warm the page cache and the dentry cache
                wall(cmd)
        t = {k: [] for k in cmds}
        cpu = {k: [] for k in cmds}
        for _ in range(a.runs):
            for key, cmd in cmds.items():
                w, c = wall(cmd, a.cold)
                t[key].append(w)
                cpu[key].append(c)
        m = {k: statistics.median(v) for k, v in t.items()}
        c = {k: statistics.median(v) for k, v in cpu.items()}
        print(f'{name} ({mode}): median of {a.runs} (wall): '
              + ', '.join(f'{k} {m[k]:.3f} s' for k in cmds))
        for k in cmds:
            if k != 'du':
                goal = '   (goal <= 0.9)' if k == 'one' else '   (goal <= 0.5)' if k == 'default' else ''
                print(f'  ratio {k} / du = {m[k] / m["du"]:.2f}{goal}   '
                      f'(runs {min(t[k]):.3f}..{max(t[k]):.3f} s)')
        # On a busy machine wall times mostly measure waiting for a core.
        print('  cpu (user+sys): ' + ', '.join(f'{k} {c[k]:.3f} s' for k in cmds) +
              f'; load average {os.getloadavg()[0]:.1f}')
        if name == 'wide':
            print(f'  peak memory: one thread {peak_kb(cmds["one"]) / 1024:.1f} MB, '
                  f'default {peak_kb(cmds["default"]) / 1024:.1f} MB   (goal < 120 MB)')
        good = check_sizes(a.binary, tree) and good
    return 0 if good else 1


if __name__ == '__main__':
    sys.exit(main())
