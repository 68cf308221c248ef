#!/usr/bin/env python3
"""Times moving a folder into a zip archive and restoring it, against Info-ZIP.

usage: bench/archive_bench.py [--runs N] [--binary PATH] [--source DIR]
       bench/archive_bench.py --files N [--binary PATH]

Copies SOURCE (default /usr/share/doc) once into /tmp/morvane-archive-bench/src,
then per round, on fresh copies of it:
    morvane --move-to-archive COPY          (analyse, write, read back, remove)
    zip -9 -r -y -q -m ARCHIVE .            (in the other copy: move into an archive,
                                             links stored as links)
and for the restore
    morvane --restore-archive ARCHIVE       (below /)
    unzip -q ARCHIVE                        (below the emptied copy)
interleaved, and prints the median wall and CPU times and their ratios to zip.
Both tools compress at level 9; ours also reads every entry back before it
removes a source.

With --files N it measures memory instead: N one-byte files in folders of 100
are moved into an archive by both tools, and the peak resident memory of each
is printed, with what it is above the program's own start-up (a move of an
empty folder), per file.
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
WORK = '/tmp/morvane-archive-bench'


def timed(cmd, cwd=None, peak=None):
    t = time.perf_counter()
    p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, ru = os.wait4(p.pid, 0)
    elapsed = time.perf_counter() - t
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit('failed: %s' % ' '.join(cmd))
    if peak is not None:
        peak.append(ru.ru_maxrss * 1024)
    return elapsed, ru.ru_utime + ru.ru_stime


def many_files(root, n):
    os.makedirs(root)
    for i in range(n):
        folder = os.path.join(root, 'folder%04d' % (i // 100))
        if i % 100 == 0:
            os.mkdir(folder)
        with open(os.path.join(folder, 'file%06d.txt' % i), 'wb') as f:
            f.write(b'x')


def memory(a):
    """Peak memory of a move of a.files one-byte files, against zip's."""
    empty, ours, theirs = (os.path.join(WORK, d) for d in ('empty', 'many', 'many-zip'))
    for d in (empty, ours, theirs):
        if os.path.exists(d):
            shutil.rmtree(d)
    os.makedirs(empty)
    many_files(ours, a.files)
    base, peak, zpeak = [], [], []
    timed([a.binary, '--move-to-archive', empty], peak=base)
    wall, cpu = timed([a.binary, '--move-to-archive', ours], peak=peak)
    print('%d one-byte files: move %.1f s wall %.1f s cpu, peak %.1f MB (start-up %.1f MB), '
          '%.0f bytes per file above start-up'
          % (a.files, wall, cpu, peak[0] / 1e6, base[0] / 1e6, (peak[0] - base[0]) / a.files))
    if shutil.which('zip'):
        many_files(theirs, a.files)
        wall, cpu = timed(['zip', '-9', '-r', '-y', '-q', '-m', theirs + '.zip', '.'],
                          cwd=theirs, peak=zpeak)
        print('zip -9 -r -y -m: %.1f s wall %.1f s cpu, peak %.1f MB, %.0f bytes per file'
              % (wall, cpu, zpeak[0] / 1e6, zpeak[0] / a.files))
        os.remove(theirs + '.zip')
    for d in (empty, ours, theirs):
        shutil.rmtree(d, ignore_errors=True)


def fresh_copy(src, dst):
    if os.path.exists(dst):
        shutil.rmtree(dst)
    subprocess.run(['cp', '-a', src, dst], check=True)
    subprocess.run(['sync'], check=True)


def times(root):
    """Modification times (to 100 ns, as an archive keeps them) of the files and links."""
    out = {}
    for folder, _, files in os.walk(root):
        for f in files:
            p = os.path.join(folder, f)
            out[os.path.relpath(p, root)] = os.lstat(p).st_mtime_ns // 100
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--binary', default=os.path.join(REPO, 'build', 'morvane'))
    ap.add_argument('--source', default='/usr/share/doc')
    ap.add_argument('--files', type=int, default=0)
    a = ap.parse_args()
    if a.files:
        return memory(a)
    if not shutil.which('zip') or not shutil.which('unzip'):
        sys.exit('zip and unzip are needed for the comparison')
    src = os.path.join(WORK, 'src')
    if not os.path.exists(src):
        os.makedirs(WORK, exist_ok=True)
        subprocess.run(['cp', '-a', a.source, src], check=True)
    ours_dir, theirs_dir = os.path.join(WORK, 'ours'), os.path.join(WORK, 'theirs')
    rows = {k: [] for k in ('move', 'zip', 'restore', 'unzip')}
    for _ in range(a.runs):
        fresh_copy(src, ours_dir)
        fresh_copy(src, theirs_dir)
        archive = os.path.join(ours_dir, 'Archived_files_R_1.zip')
        rows['move'].append(timed([a.binary, '--move-to-archive', ours_dir]))
        theirs = os.path.join(WORK, 'theirs.zip')
        if os.path.exists(theirs):
            os.remove(theirs)
        rows['zip'].append(timed(['zip', '-9', '-r', '-y', '-q', '-m', theirs, '.'],
                                 cwd=theirs_dir))
        kept = os.path.join(WORK, 'Archived_files_R_1.zip')
        shutil.move(archive, kept)
        rows['restore'].append(timed([a.binary, '--restore-archive', kept]))
        shutil.rmtree(theirs_dir)  # what zip -m left: the folders
        os.makedirs(theirs_dir)
        rows['unzip'].append(timed(['unzip', '-q', '-o', theirs], cwd=theirs_dir))
        same = subprocess.run(['diff', '-r', '-q', '--no-dereference', src, ours_dir],
                              stdout=subprocess.PIPE).returncode == 0 and \
            times(src) == times(ours_dir)
        os.remove(kept)
    med = {k: (statistics.median(w for w, _ in v), statistics.median(c for _, c in v))
           for k, v in rows.items()}
    print('source %s, %d runs, medians' % (a.source, a.runs))
    for ours, theirs in (('move', 'zip'), ('restore', 'unzip')):
        print('%-8s %6.2f s wall %6.2f s cpu | %-6s %6.2f s wall %6.2f s cpu | ratio wall %.2f cpu %.2f'
              % (ours, med[ours][0], med[ours][1], theirs, med[theirs][0], med[theirs][1],
                 med[ours][0] / med[theirs][0], med[ours][1] / med[theirs][1]))
    print('restored tree identical to the source (bytes, links, times): %s' % ('yes' if same else 'NO'))


if __name__ == '__main__':
    main()
