"""exifkit.dask on a local cluster of two worker processes."""

import math

import pytest

dask = pytest.importorskip("dask")
distributed = pytest.importorskip("distributed")

import exifkit  # noqa: E402
import exifkit.dask as ekdask  # noqa: E402


def test_importing_exifkit_leaves_dask_alone():
    import subprocess
    import sys

    code = "import sys, exifkit; exifkit.read(b''); print('dask' in sys.modules, 'pandas' in sys.modules)"
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.split() == ["False", "False"]


def same_row(a, b):
    return a.keys() == b.keys() and all(
        x == y or (isinstance(x, float) and isinstance(y, float) and math.isnan(x) and math.isnan(y))
        for x, y in zip(a.values(), b.values()))


def test_cluster_result_equals_a_serial_read(corpus, tmp_path):
    paths = corpus + [str(tmp_path / "missing.jpg")]
    serial = [ekdask.summary_row(p, exifkit.read(p)) if not p.endswith("missing.jpg")
              else ekdask.summary_row(p, FileNotFoundError(2, "No such file or directory", p)) for p in paths]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        bag = ekdask.read_bag(paths, partition_size=40, workers=2)
        assert bag.npartitions == -(-len(paths) // 40)
        rows = bag.compute()
        frame = ekdask.read_dataframe(paths, npartitions=4).compute()
    assert len(rows) == len(serial) and all(same_row(a, b) for a, b in zip(rows, serial))
    assert list(frame.columns) == list(ekdask.COLUMNS)
    assert {c: str(t) for c, t in frame.dtypes.items()} == ekdask.COLUMNS
    assert list(frame["path"]) == paths
    assert frame["error"].iloc[-1].startswith("[Errno 2]")
    jpegs = frame[frame["format"] == "jpeg"]
    assert len(jpegs) > 100 and jpegs["exposure_time"].notna().sum() > 50
    assert frame["latitude"].notna().sum() > 0


def test_glob_patterns(corpus):
    import os

    root = os.path.dirname(corpus[0])
    matched = ekdask.expand(os.path.join(root, "**", "*.jpg"))
    assert matched == sorted(matched) and all(p.endswith(".jpg") for p in matched) and len(matched) > 100
