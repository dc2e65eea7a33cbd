#!/usr/bin/env python3
"""Memory of a long run: reads the corpus photos over and over, 100,000
reads in all (or N), one at a time and then through read_many, touching
every property, and prints the resident size along the way.

    bench/python/memory.py [CORPUS] [-n N]

The resident size should stop growing after the first thousand reads: what
one read makes is let go when its result is, and the library keeps only a
bounded number of spare results to read into again.
"""

from __future__ import annotations

import argparse
import os
import resource
import sys
from pathlib import Path

import exifkit

sys.path.insert(0, str(Path(__file__).resolve().parent))
from compare import DEFAULT_CORPUS, camera_photos  # noqa: E402

PAGE = os.sysconf("SC_PAGE_SIZE")


def resident_mib() -> float:
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGE / 2**20


def touch(md):
    for p in md.properties:
        p.value, p.text
    md.summary


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("corpus", nargs="?", default=str(DEFAULT_CORPUS))
    ap.add_argument("-n", type=int, default=100_000)
    args = ap.parse_args()
    photos = camera_photos(Path(args.corpus))
    marks = {1_000, 10_000, args.n // 2, args.n}
    print("| reads | read (MiB) | read_many, 2 workers (MiB) |")
    print("|---:|---:|---:|")
    rows = {}
    done = 0
    while done < args.n:
        for p in photos:
            touch(exifkit.read(p))
            done += 1
            if done in marks:
                rows[done] = [resident_mib()]
            if done == args.n:
                break
    done = 0
    while done < args.n:
        batch = photos[: min(len(photos), args.n - done)]
        for _, md in exifkit.read_many(batch, workers=2):
            touch(md)
            done += 1
            if done in marks:
                rows[done].append(resident_mib())
    for n in sorted(rows):
        print(f"| {n:,} | {rows[n][0]:.1f} | {rows[n][1]:.1f} |")
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(f"\npeak resident size {peak:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
