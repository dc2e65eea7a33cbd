"""No memory kept from read to read: Python objects and native memory alike."""

import gc
import sys
import tracemalloc
from pathlib import Path

import pytest

import exifkit
from conftest import DATA

SAMPLES = sorted(str(p) for p in DATA.glob("*.jpg"))


def exercise(data):
    md = exifkit.read(data)
    for p in md.properties:
        p.value, p.text
    md.summary, md.to_dict(), md.keys(), md.get("GPS", "GPSLatitude"), repr(md)
    for _ in exifkit.read_many([data, SAMPLES[0], "/nonexistent"], workers=2):
        pass
    exifkit.thumbnail(data)


def test_no_growth_over_many_reads():
    data = [Path(p).read_bytes() for p in SAMPLES]
    for d in data * 20:  # the constant strings and tag numbers are made once
        exercise(d)
    gc.collect()
    tracemalloc.start()
    for d in data * 5:
        exercise(d)
    gc.collect()
    first, _ = tracemalloc.get_traced_memory()
    for d in data * 100:
        exercise(d)
    gc.collect()
    second, _ = tracemalloc.get_traced_memory()
    tracemalloc.stop()
    assert second - first < 64 * 1024


@pytest.mark.skipif(not hasattr(sys, "gettotalrefcount"), reason="needs a debug build of Python")
def test_no_reference_leaks():
    data = Path(SAMPLES[0]).read_bytes()
    for _ in range(50):
        exercise(data)
    gc.collect()
    before = sys.gettotalrefcount()
    for _ in range(200):
        exercise(data)
    gc.collect()
    assert sys.gettotalrefcount() - before < 100
