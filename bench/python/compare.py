#!/usr/bin/env python3
"""exifkit's Python package against exifread and Pillow, in one run.

    bench/python/compare.py [CORPUS] [--rounds N]

Reads the camera photos of the corpus (JPEG files, without the damaged ones
of invalid/, tests/ and exiv2-suite/, and the crash reproducers of
formats/), and the TIFF, PNG and WebP files of formats/camera, from the page cache:

- exifkit.read(path), touching every property's value and text (the summary,
  which the peers have no counterpart of, is left out);
- exifread.process_file(f, details=True), which builds every tag, maker notes included;
- Pillow: Image.open(path).getexif() with its Exif and GPS directories, every value touched;
- exifkit.read_many(paths, workers=2) against a loop of exifkit.read, both
  keeping the results without touching them.

Each figure is the best of the rounds (microseconds per file). Needs Debian's
python3-exifread and python3-pil beside the installed exifkit package.
"""

from __future__ import annotations

import argparse
import logging
import os
import platform
import sys
import time
from pathlib import Path

import exifkit

HERE = Path(__file__).resolve().parent
DEFAULT_CORPUS = HERE.parent.parent.parent / "shared" / "corpus"
SKIP = ("invalid/", "tests/", "exiv2-suite/", "formats/")
OTHER_FORMATS = {".tif": "tiff", ".tiff": "tiff", ".png": "png", ".webp": "webp"}


def camera_photos(root: Path) -> list[str]:
    out = []
    for p in sorted(root.rglob("*")):
        rel = p.relative_to(root).as_posix()
        if p.suffix.lower() in (".jpg", ".jpeg") and not rel.startswith(SKIP) and rel != "corrupted.jpg":
            out.append(str(p))
    return out


def format_files(root: Path) -> dict[str, list[str]]:
    out: dict[str, list[str]] = {}
    for p in sorted((root / "formats" / "camera").rglob("*")):
        fmt = OTHER_FORMATS.get(p.suffix.lower())
        if fmt:
            out.setdefault(fmt, []).append(str(p))
    return out


def with_exifkit(paths):
    for p in paths:
        md = exifkit.read(p)
        for prop in md.properties:
            prop.value
            prop.text


def with_exifread(paths):
    import exifread

    for p in paths:
        with open(p, "rb") as f:
            tags = exifread.process_file(f, details=True)
        for t in tags.values():
            str(t)


def with_pillow(paths):
    from PIL import Image

    for p in paths:
        try:
            with Image.open(p) as im:
                exif = im.getexif()
                values = list(exif.values())
                values += exif.get_ifd(0x8769).values()
                values += exif.get_ifd(0x8825).values()
        except Exception:
            pass


def loop_of_read(paths):
    return [exifkit.read(p) for p in paths]


def batch_of_two(paths):
    return list(exifkit.read_many(paths, workers=2))


def repeats(fn, paths) -> int:
    """How many passes over the files take a tenth of a second."""
    fn(paths)  # warm the page cache and the imports
    repeat = 1
    while True:
        t = time.perf_counter()
        for _ in range(repeat):
            fn(paths)
        if time.perf_counter() - t > 0.1:
            return repeat
        repeat *= 2


def best(readers: dict, paths, rounds: int) -> dict:
    """Each reader's best round, in microseconds per file. The readers take
    turns round by round, so that a slow spell of the machine falls on all."""
    passes = {name: repeats(fn, paths) for name, fn in readers.items()}
    times = {name: [] for name in readers}
    for _ in range(rounds):
        for name, fn in readers.items():
            t = time.perf_counter()
            for _ in range(passes[name]):
                fn(paths)
            times[name].append((time.perf_counter() - t) / (passes[name] * len(paths)) * 1e6)
    return {name: min(v) for name, v in times.items()}


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("corpus", nargs="?", default=str(DEFAULT_CORPUS))
    ap.add_argument("--rounds", type=int, default=5)
    args = ap.parse_args()
    logging.disable(logging.CRITICAL)  # exifread logs every oddity it meets
    root = Path(args.corpus)
    photos = camera_photos(root)
    if not photos:
        print(f"no photos under {root}", file=sys.stderr)
        return 1
    print(f"exifkit {exifkit.__version__}, Python {platform.python_version()}, {os.cpu_count()} CPUs, "
          f"{time.strftime('%Y-%m-%d')}")
    print()
    print("| files | count | exifkit | exifread | exifread / exifkit | Pillow | Pillow / exifkit |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    sets = {"camera JPEG": photos}
    sets.update({f"{k} (formats/camera)": v for k, v in format_files(root).items()})
    for name, paths in sets.items():
        t = best({"exifkit": with_exifkit, "exifread": with_exifread, "pillow": with_pillow}, paths, args.rounds)
        ek, er, pil = t["exifkit"], t["exifread"], t["pillow"]
        print(f"| {name} | {len(paths)} | {ek:.1f} µs | {er:.1f} µs | {er / ek:.0f}× | {pil:.1f} µs | {pil / ek:.1f}× |")
    print()
    print("| camera JPEG, read from | loop of read | read_many(workers=2) | speed-up |")
    print("|---|---:|---:|---:|")
    contents = [Path(p).read_bytes() for p in photos]
    for name, sources in (("paths", photos), ("bytes in memory", contents)):
        t = best({"one": loop_of_read, "two": batch_of_two}, sources, args.rounds)
        one, two = t["one"], t["two"]
        print(f"| {name} | {one:.1f} µs | {two:.1f} µs | {one / two:.2f}× |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
