"""The result of a read, and the reading functions."""

from __future__ import annotations

import io
import os
from collections import deque

from . import _native

__all__ = ["ExifError", "Metadata", "read", "read_many", "thumbnail"]

_CANT_OPEN = _native.EXIF_CANT_OPEN
_BUFFER_TYPES = (bytes, bytearray, memoryview)


class ExifError(Exception):
    """A fatal error ended the reading of a file (raised by ``read(..., strict=True)``).

    ``metadata`` holds what was read before it.
    """

    def __init__(self, message: str, metadata: Metadata):
        super().__init__(message)
        self.metadata = metadata


class Metadata:
    """Everything one read reported.

    ``properties`` holds every delivered property in delivery order;
    ``md[key]`` is the first with the key (``md["GPS", "GPSLatitude"]`` looks
    in one directory only), ``md.get(...)`` the same or None. ``summary`` gives
    the answers asked for first in Python types. ``to_dict()`` is the object
    ``exifkit -J`` prints for the same file.
    """

    __slots__ = ("_native", "_file", "_json", "_data", "_properties", "_summary", "_index")

    def __init__(self, native=None, file=None):
        self._native = native  # None in a result restored from a pickle
        self._file = file  # the path's bytes, or None
        self._json = None  # a restored result: its structured JSON...
        self._data = None  # ... and that JSON read
        self._properties = None
        self._summary = None
        self._index = None

    # ---- what the read reported ----

    @property
    def file(self) -> str | None:
        """The path read, or None when the source was not a path."""
        if self._native is None:
            return self._restored()["file"]
        return None if self._file is None else os.fsdecode(self._file)

    @property
    def format(self) -> str | None:
        """jpeg, tiff, heif, avif, cr3, png, webp, jxl, raf or crw; None when the file is none of them."""
        return self._native.format if self._native is not None else self._restored()["format"]

    @property
    def result(self) -> int:
        """The library's result code: 0 when Exif data were delivered."""
        return self._native.result if self._native is not None else self._restored()["result"]

    @property
    def error(self) -> str | None:
        """The reason a fatal error ended the read ("Error: ..."), or None."""
        return self._native.error if self._native is not None else self._restored()["error"]

    @property
    def warnings(self) -> tuple:
        """The warnings, in the order raised: (message, detail) records."""
        if self._native is not None:
            return self._native.warnings
        return tuple(_native.Warning((w["message"], w["detail"])) for w in self._restored()["warnings"])

    @property
    def frame(self):
        """The image size record (precision, components, height, width), or None."""
        if self._native is not None:
            return self._native.frame
        f = self._restored()["frame"]
        return None if f is None else _native.Frame((f["precision"], f["components"], f["height"], f["width"]))

    @property
    def summary(self):
        """Camera, lens, dates, exposure and position in Python types; None where the file has none."""
        if self._summary is None:
            self._summary = self._native.summary
        return self._summary

    @property
    def properties(self) -> tuple:
        """Every delivered property, in delivery order."""
        if self._properties is None:
            self._properties = self._native.properties
        return self._properties

    # ---- lookup by key ----

    def _position(self, directory, key) -> int:
        if self._native is not None:
            return self._native.find(key) if directory is None else self._native.find(directory, key)
        if self._index is None:
            index = {}
            for i, p in enumerate(self.properties):
                index.setdefault(p.key, i)
                index.setdefault((p.directory, p.key), i)
            self._index = index
        return self._index.get(key if directory is None else (directory, key), -1)

    def _lookup(self, item):
        if isinstance(item, tuple) and len(item) == 2:
            return self._position(*item)
        if not isinstance(item, str):
            raise TypeError("a key is a str, or a (directory, key) pair")
        return self._position(None, item)

    def __getitem__(self, item):
        i = self._lookup(item)
        if i < 0:
            raise KeyError(item)
        return self.properties[i]

    def get(self, directory_or_key: str, key: str | None = None, *, default=None):
        """``get(key)``: the first property with the key; ``get(directory, key)``: the
        first in that directory ("GPS", "Exif", "Canon"...). ``default`` when none."""
        i = self._position(None, directory_or_key) if key is None else self._position(directory_or_key, key)
        return default if i < 0 else self.properties[i]

    def __contains__(self, item) -> bool:
        try:
            return self._lookup(item) >= 0
        except TypeError:
            return False

    def keys(self) -> list:
        """The distinct keys, in delivery order."""
        if self._native is not None:
            return self._native.keys()
        return list(dict.fromkeys(p.key for p in self.properties))

    def __iter__(self):
        return iter(self.keys())

    def __len__(self) -> int:
        return len(self.keys())

    def text(self, key: str, directory: str | None = None) -> str | None:
        """The readable text of the first property with the key, or None."""
        p = self.get(key) if directory is None else self.get(directory, key)
        return None if p is None else p.text

    # ---- JSON, pickling, comparison ----

    def to_json(self) -> str:
        """The line ``exifkit -J`` prints for the same file (without its newline)."""
        if self._native is not None:
            return self._native.json(self._file)
        return self._json

    def to_dict(self) -> dict:
        """The object ``exifkit -J`` prints for the same file: JSON-ready types."""
        import json

        return json.loads(self.to_json())

    def _restored(self) -> dict:
        if self._data is None:
            import json

            self._data = json.loads(self._json)
        return self._data

    # A pickle holds the JSON and the records themselves, which keep what
    # JSON cannot (infinities, exact Fractions) and need no converting back.
    def __reduce__(self):
        return (_restore, (self.to_json(), self.properties, self.summary))

    def __eq__(self, other):
        if not isinstance(other, Metadata):
            return NotImplemented
        return self.to_json() == other.to_json()

    __hash__ = None

    def __repr__(self) -> str:
        s = self.summary
        parts = [f"format={self.format!r}"]
        camera = s.model if s.model and s.make and s.model.startswith(s.make) else \
            " ".join(x for x in (s.make, s.model) if x)
        if camera:
            parts.append(f"camera={camera!r}")
        if s.datetime_original is not None:
            parts.append(f"taken={s.datetime_original.isoformat()!r}")
        parts.append(f"properties={len(self.properties)}")
        if self.warnings:
            parts.append(f"warnings={len(self.warnings)}")
        if self.error:
            parts.append(f"error={self.error!r}")
        return f"<exifkit.Metadata {' '.join(parts)}>"


def _restore(json_line: str, properties: tuple, summary) -> Metadata:
    md = Metadata()
    md._json, md._properties, md._summary = json_line, properties, summary
    return md


def _raise_oserror(code: int, path) -> None:
    if code:
        raise OSError(code, os.strerror(code), path)
    raise OSError(f"cannot open file: {path!r}")


def _is_path(source) -> bool:
    return isinstance(source, (str, os.PathLike))


def read(source, *, strict: bool = False) -> Metadata:
    """Reads the metadata of a photo.

    ``source`` is a path (``str`` or ``os.PathLike``), the file's bytes
    (``bytes``, ``bytearray``, ``memoryview`` or any contiguous buffer), or a
    binary file object, read from where it stands. A path that cannot be
    opened raises the matching ``OSError``; a file without Exif data or a
    damaged one does not raise, the result says so (``error``, ``warnings``),
    unless ``strict`` asks for ``ExifError`` on a fatal error.
    """
    if _is_path(source):
        path = os.fsencode(source)
        native = _native.read_path(path)
        if native.result == _CANT_OPEN:
            _raise_oserror(native.oserror, source)
        md = Metadata(native, path)
    elif isinstance(source, _BUFFER_TYPES):
        md = Metadata(_native.read_buffer(source))
    elif hasattr(source, "read"):
        if isinstance(source, io.TextIOBase):
            raise TypeError("exifkit reads binary file objects, not text ones")
        md = Metadata(_native.read_file(source))
    else:
        try:
            md = Metadata(_native.read_buffer(source))
        except TypeError:
            raise TypeError(
                f"cannot read a {type(source).__name__}: give a path, bytes or a binary file object"
            ) from None
    if strict and md.error is not None:
        raise ExifError(md.error, md)
    return md


def _default_workers() -> int:
    if hasattr(os, "sched_getaffinity"):
        return max(len(os.sched_getaffinity(0)), 1)
    return os.cpu_count() or 1


def read_many(sources, *, workers: int | None = None):
    """Reads paths and bytes on ``workers`` native threads (the CPUs this
    process may use, by default) and yields ``(source, Metadata)`` in input
    order. A path that cannot be opened yields its ``OSError`` in place of
    the result; it never stops the batch. ``sources`` may be any iterable,
    a generator of millions of paths included: only a few are in flight.
    """
    if workers is None:
        workers = _default_workers()
    if workers < 1:
        raise ValueError("workers must be at least 1")
    return _read_many(sources, workers)


_CHUNK = 32  # files per hand-over between the threads


def _submission(source):
    if _is_path(source):
        return os.fsencode(source), True
    if isinstance(source, _BUFFER_TYPES):
        return source, False
    raise TypeError(f"read_many reads paths and bytes, not a {type(source).__name__}")


def _chunks(sources):
    chunk = []
    for source in sources:
        chunk.append(source)
        if len(chunk) == _CHUNK:
            yield chunk
            chunk = []
    if chunk:
        yield chunk


def _read_many(sources, workers):
    batch = _native.Batch(workers)
    # Two chunks in flight per worker: the workers read on while a chunk's
    # results are handed out.
    pending = deque()
    for chunk in _chunks(sources):
        submitted = [_submission(s) for s in chunk]
        batch.submit(submitted)
        pending.append((chunk, submitted))
        if len(pending) > 2 * workers:
            yield from _taken(batch, *pending.popleft())
    while pending:
        yield from _taken(batch, *pending.popleft())


def _taken(batch, chunk, submitted):
    for source, (target, ispath), (native, oserror) in zip(chunk, submitted, batch.take()):
        if ispath and native.result == _CANT_OPEN:
            try:
                _raise_oserror(oserror, source)
            except OSError as e:
                yield source, e
                continue
        yield source, Metadata(native, target if ispath else None)


def thumbnail(source) -> bytes | None:
    """The JPEG thumbnail embedded in the file's Exif data, or None.

    ``source`` is a path, the file's bytes, or a binary file object.
    """
    if _is_path(source):
        data, oserror = _native.thumbnail(os.fsencode(source), True)
        if oserror:
            _raise_oserror(oserror, source)
        return data
    if hasattr(source, "read") and not isinstance(source, _BUFFER_TYPES):
        source = source.read()
    return _native.thumbnail(source, False)[0]

