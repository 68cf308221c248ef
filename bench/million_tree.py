#!/usr/bin/env python3
"""Builds the tree of 1,010,100 entries the file-list figures are measured on:
100 top folders of 100 folders of 100 files each, sizes 0..4095 bytes.

usage: bench/million_tree.py [DIR]     (default /tmp/morvane-bench-1m)

Reused when DIR/.complete exists; an interrupted build is started over.
Then, for example (warm cache, same run as du):
    du -s --apparent-size -b DIR
    /usr/bin/time -v build/morvane --report DIR --files --output /dev/null
    /usr/bin/time -v build/morvane --report DIR --output /dev/null
"""
import os
import shutil
import sys


def build(root):
    done = os.path.join(root, '.complete')
    if os.path.exists(done):
        return
    if os.path.exists(root):
        shutil.rmtree(root)
    os.makedirs(root)
    payload = b'x' * 4096
    n = 0
    for a in range(100):
        top = os.path.join(root, f'd{a:02d}')
        os.mkdir(top)
        for b in range(100):
            sub = os.path.join(top, f's{b:02d}')
            os.mkdir(sub)
            for c in range(100):
                with open(os.path.join(sub, f'f{c:02d}.dat'), 'wb') as f:
                    f.write(payload[:(n * 37) % 4096])
                n += 1
        print(f'\r{a + 1}/100', end='', file=sys.stderr, flush=True)
    print(file=sys.stderr)
    open(done, 'wb').close()


if __name__ == '__main__':
    build(sys.argv[1] if len(sys.argv) > 1 else '/tmp/morvane-bench-1m')
