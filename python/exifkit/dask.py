"""A photo library as a batch job on a Dask cluster.

    import exifkit.dask
    from distributed import Client

    client = Client("tcp://scheduler:8786")           # or a LocalCluster
    frame = exifkit.dask.read_dataframe("/photos/**/*.jpg")
    frame.groupby("model").size().compute()

Each partition's files are read where the partition runs, with
``exifkit.read_many``; nothing but the paths goes to the workers and nothing
but the rows comes back, so files per second grow with the workers as long
as the storage keeps up. Needs dask (bag and dataframe) and pandas, which
this module imports; ``import exifkit`` alone does not.
"""

from __future__ import annotations

import glob as _glob
import os

import dask
import dask.bag as db
import dask.dataframe as dd
import pandas as pd

from . import read_many

__all__ = ["COLUMNS", "read_bag", "read_dataframe", "summary_row", "expand"]

# One dtype per column: texts (None where missing), nullable integers,
# floats (NaN where missing). Dates are ISO 8601 texts, as the JSON gives
# them, because one column may mix offsets; exposure time is in seconds.
COLUMNS = {
    "path": "object",
    "format": "object",
    "make": "object",
    "model": "object",
    "lens": "object",
    "datetime_original": "object",
    "exposure_time": "float64",
    "f_number": "float64",
    "iso": "Int64",
    "focal_length": "float64",
    "width": "Int64",
    "height": "Int64",
    "latitude": "float64",
    "longitude": "float64",
    "altitude": "float64",
    "error": "object",
}


def summary_row(path, md) -> dict:
    """The row of one file: ``md`` is its Metadata, or the OSError reading it raised."""
    row = dict.fromkeys(COLUMNS)
    row["path"] = os.fsdecode(path)
    if isinstance(md, BaseException):
        row["error"] = str(md)
        return row
    s = md.summary
    row.update(
        format=md.format,
        make=s.make,
        model=s.model,
        lens=s.lens,
        datetime_original=None if s.datetime_original is None else s.datetime_original.isoformat(),
        exposure_time=None if s.exposure_time is None else float(s.exposure_time),
        f_number=s.f_number,
        iso=s.iso,
        focal_length=s.focal_length,
        width=s.width,
        height=s.height,
        error=md.error,
    )
    if s.gps is not None:
        row.update(latitude=s.gps.latitude, longitude=s.gps.longitude, altitude=s.gps.altitude)
    return row


def expand(paths_or_glob) -> list[str]:
    """A glob pattern (``**`` matches folders at any depth) as the sorted
    files it matches, or the paths given, as a list."""
    if isinstance(paths_or_glob, (str, os.PathLike)):
        pattern = os.fspath(paths_or_glob)
        return sorted(p for p in _glob.glob(pattern, recursive=True) if os.path.isfile(p))
    return [os.fspath(p) for p in paths_or_glob]


def _rows(paths, workers):
    return [summary_row(path, md) for path, md in read_many(paths, workers=workers)]


def read_bag(paths_or_glob, *, npartitions: int | None = None, partition_size: int = 1000,
             workers: int = 1) -> db.Bag:
    """A bag of summary rows (dicts with the keys of ``COLUMNS``), one per file.

    Files are split into ``npartitions`` partitions (by default, runs of
    ``partition_size`` files); each partition is read with ``workers``
    threads of the worker process that runs it.
    """
    paths = expand(paths_or_glob)
    if npartitions is None:
        npartitions = max(1, -(-len(paths) // partition_size))
    return db.from_sequence(paths, npartitions=max(1, min(npartitions, len(paths) or 1))).map_partitions(
        _rows, workers
    )


def _frame(rows) -> pd.DataFrame:
    frame = pd.DataFrame.from_records(list(rows), columns=list(COLUMNS))
    return frame.astype(COLUMNS)


def read_dataframe(paths_or_glob, *, npartitions: int | None = None, partition_size: int = 1000,
                   workers: int = 1) -> dd.DataFrame:
    """A Dask DataFrame of the summary columns (``COLUMNS``), one row per file."""
    bag = read_bag(paths_or_glob, npartitions=npartitions, partition_size=partition_size, workers=workers)
    frame = dask.delayed(_frame)
    return dd.from_delayed([frame(part) for part in bag.to_delayed()], meta=_frame([]), verify_meta=False)
