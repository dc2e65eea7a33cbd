#!/usr/bin/env python3
"""Peak memory of the exifkit command on a file of many crafted Exif blocks.

    bench/peak_rss.py BIN [MEGABYTES]

Writes a JPEG file of MEGABYTES (default 65) made of the same APP1 block
repeated: IFD0 with 4,096 ImageDescription entries that all point at one
text, as many as one block may hold, so that each block delivers as much as
a block can. Runs BIN on it with -P 1, for the text output (-a -w) and the
JSON output (-j), and prints the peak resident size and the time of each.
"""
import os
import resource
import struct
import subprocess
import sys
import tempfile
import time

ENTRIES = 4096
TEXT = b"crafted text \x1b]0;\x07\r\n\x00"


def crafted_block():
    """The block: "Exif", two NUL bytes and a TIFF block whose IFD0 is full of text entries."""
    ifd = 8
    data = ifd + 2 + 12 * ENTRIES + 4
    tiff = b"II*\x00" + struct.pack("<I", ifd) + struct.pack("<H", ENTRIES)
    entry = struct.pack("<HHII", 0x010E, 2, len(TEXT), data)
    tiff += entry * ENTRIES + struct.pack("<I", 0) + TEXT
    return b"Exif\x00\x00" + tiff


def crafted_file(path, megabytes):
    block = crafted_block()
    segment = b"\xff\xe1" + struct.pack(">H", len(block) + 2) + block
    count = megabytes * 1000 * 1000 // len(segment)
    frame = b"\xff\xc0" + struct.pack(">HBHHB", 17, 8, 80, 120, 3) + bytes([1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0])
    with open(path, "wb") as f:
        f.write(b"\xff\xd8")
        for _ in range(count):
            f.write(segment)
        f.write(frame + b"\xff\xda\x00\x02\x00\xff\xd9")
    return count


def peak(command):
    """The peak resident size in MiB and the seconds of one run, output dropped."""
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execv(command[0], command)
    start = time.monotonic()
    _, status, usage = os.wait4(pid, 0)
    return usage.ru_maxrss / 1024, time.monotonic() - start, os.waitstatus_to_exitcode(status)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    binary = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 65
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "crafted.jpg")
        blocks = crafted_file(path, megabytes)
        print(f"{path}: {os.path.getsize(path) / 1e6:.1f} MB, {blocks} APP1 blocks")
        for name, args in (("text", ["-P", "1", "-a", "-w"]), ("json", ["-P", "1", "-j"])):
            mib, seconds, code = peak([binary] + args + [path])
            print(f"{name}: peak RSS {mib:.1f} MiB, {seconds:.2f} s, exit status {code}")


if __name__ == "__main__":
    main()
