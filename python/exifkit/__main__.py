"""python -m exifkit FILE...: one line of structured JSON per file, as
``exifkit -J`` prints it. The exit status is 0 when every file gave Exif data."""

from __future__ import annotations

import argparse
import os
import sys

from . import __version__, _native, read


def _line(path: str) -> tuple[str, bool]:
    if path == "-":
        md = read(sys.stdin.buffer)
        return md.to_json(), md.result == 0
    try:
        md = read(path)
    except OSError as e:
        reason = "cannot open file" + (f": {os.strerror(e.errno)}" if e.errno else "")
        return _native.refusal(os.fsencode(path), _native.EXIF_CANT_OPEN, reason), False
    return md.to_json(), md.result == 0


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(
        prog="python -m exifkit",
        description="Print the camera metadata of photos as JSON Lines (the structured form of exifkit -J).",
    )
    parser.add_argument("files", nargs="+", metavar="FILE", help="a photo; - reads standard input")
    parser.add_argument("--version", action="version", version=f"exifkit {__version__}")
    args = parser.parse_args(argv)
    out = sys.stdout.buffer
    every = True
    try:
        for path in args.files:
            line, ok = _line(path)
            every &= ok
            out.write(line.encode("utf-8") + b"\n")
        out.flush()
    except BrokenPipeError:
        # The reader went away (| head): nothing more to say, and nothing to flush.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    return 0 if every else 1


if __name__ == "__main__":
    sys.exit(main())
