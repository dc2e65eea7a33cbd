"""read_many(): order, error isolation, sources, and an early stop."""

import errno
import os
import signal
from pathlib import Path

import pytest

import exifkit
from conftest import DATA

SAMPLES = sorted(str(p) for p in DATA.glob("*.jpg"))


def test_results_come_in_input_order_with_errors_in_place(tmp_path):
    missing = tmp_path / "missing.jpg"
    sources = []
    for i in range(40):  # more than one hand-over of files
        sources += [SAMPLES[i % len(SAMPLES)], Path(SAMPLES[0]).read_bytes(), missing, str(tmp_path), b"junk"]
    results = list(exifkit.read_many(sources, workers=2))
    assert [s for s, _ in results] == sources
    for source, md in results:
        if source is missing:
            assert isinstance(md, FileNotFoundError) and md.filename == missing and md.errno == errno.ENOENT
        elif source == str(tmp_path):
            assert isinstance(md, IsADirectoryError)
        elif source == b"junk":
            assert md.error.startswith("Error: unknown file format") and md.file is None
        else:
            assert md == exifkit.read(source)


def test_a_generator_of_paths_and_path_objects():
    paths = (Path(p) for p in SAMPLES * 3)
    read = [md.file for _, md in exifkit.read_many(paths, workers=3)]
    assert read == SAMPLES * 3


@pytest.mark.parametrize("workers", [0, -1])
def test_workers_must_be_positive(workers):
    with pytest.raises(ValueError):
        exifkit.read_many(SAMPLES, workers=workers)


def test_file_objects_are_refused():
    with open(SAMPLES[0], "rb") as f, pytest.raises(TypeError):
        list(exifkit.read_many([f]))


def native_threads():
    return len(os.listdir("/proc/self/task"))


@pytest.mark.skipif(not os.path.isdir("/proc/self/task"), reason="counts threads through /proc")
def test_threads_are_kept_for_the_next_batch_and_let_go_when_stopped_early():
    list(exifkit.read_many(SAMPLES, workers=3))
    kept = native_threads()
    for _ in range(3):
        assert len(list(exifkit.read_many(SAMPLES * 3, workers=3))) == len(SAMPLES) * 3
        assert native_threads() == kept  # the same threads read again
    many = exifkit.read_many(SAMPLES * 50, workers=3)
    assert next(many)[1].result == 0  # takes the kept batch
    many.close()
    assert native_threads() == kept - 3  # a batch left half-read is let go with its threads
    assert list(exifkit.read_many([], workers=3)) == []


# AddressSanitizer's allocator may be locked by another thread at the fork,
# and then the child waits for it forever.
@pytest.mark.skipif(bool(os.environ.get("EXIFKIT_SANITIZED")), reason="a fork under AddressSanitizer can deadlock")
def test_a_forked_child_reads_on_threads_of_its_own():
    list(exifkit.read_many(SAMPLES, workers=2))  # a batch kept with its threads
    pid = os.fork()
    if pid == 0:
        signal.alarm(60)  # a child that hangs fails the test rather than the run
        ok = [md.result for _, md in exifkit.read_many(SAMPLES, workers=2)] == [0] * len(SAMPLES)
        os._exit(0 if ok else 1)
    _, status = os.waitpid(pid, 0)
    assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0


def test_the_default_workers():
    assert [md.result for _, md in exifkit.read_many(SAMPLES)] == [0] * len(SAMPLES)
