"""The result of a read, and the reading functions."""

from __future__ import annotations

import io
import os
from itertools import islice

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


class Metadata(_native.Result):
    """Everything one read reported.

    ``properties`` holds every delivered property in delivery order;
    ``md[key]`` is the first with the key (``md["GPS", "GPSLatitude"]`` looks
    in one directory only), ``md.get(...)`` the same or None. ``summary`` gives
    the answers asked for first in Python types. ``to_dict()`` is the object
    ``exifkit -J`` prints for the same file.

    ``format``, ``result``, ``error``, ``warnings``, ``frame``, ``summary`` and
    ``properties`` are made on first use from the library's record.
    """

    __slots__ = ()

    @property
    def file(self) -> str | None:
        """The path read, or None when the source was not a path."""
        return None if self._file is None else os.fsdecode(self._file)

    # ---- lookup by key ----

    def _position(self, directory, key) -> int:
        found = self._find(key) if directory is None else self._find(directory, key)
        if found is not None:
            return found
        index = self._index
        if index is None:  # a restored result: its own index
            index = {}
            for i, p in enumerate(self.properties):
                index.setdefault(p.key, i)
                index.setdefault((p.directory, p.key), i)
            self._index = index
        return index.get(key if directory is None else (directory, key), -1)

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
        keys = self._keys()
        return list(dict.fromkeys(p.key for p in self.properties)) if keys is None else keys

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
        return self._json

    def to_dict(self) -> dict:
        """The object ``exifkit -J`` prints for the same file: JSON-ready types."""
        import json

        return json.loads(self._json)

    # A pickle holds the JSON and the records themselves, which keep what
    # JSON cannot (infinities, exact Fractions) and need no converting back.
    def __reduce__(self):
        state = (self._json, self._file, self.properties, self.summary, self.warnings, self.frame, self.format,
                 self.result, self.oserror, self.error)
        return (_restore, state)

    def __eq__(self, other):
        if not isinstance(other, Metadata):
            return NotImplemented
        return self._json == other._json

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


_native.set_result_type(Metadata)
_RESTORED = ("_json", "_file", "_properties", "_summary", "_warnings", "_frame", "_format", "_result", "_oserror",
             "_error")


def _restore(*state) -> Metadata:
    md = Metadata.__new__(Metadata)
    for name, value in zip(_RESTORED, state):
        setattr(md, name, value)
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
        md = _native.read_path(source)
        if md.result == _CANT_OPEN:
            _raise_oserror(md.oserror, source)
    elif isinstance(source, _BUFFER_TYPES):
        md = _native.read_buffer(source)
    elif hasattr(source, "read"):
        if isinstance(source, io.TextIOBase):
            raise TypeError("exifkit reads binary file objects, not text ones")
        md = _native.read_file(source)
    else:
        try:
            md = _native.read_buffer(source)
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


_CHUNK = 32  # sources per hand-over between the threads

# Batches whose reads are all handed out, kept with their threads for the
# next read_many: starting threads costs more than reading a few dozen files.
_IDLE: dict = {}
_IDLE_KEEP = 2
# A fork leaves a batch without its threads: such batches are never used
# again, nor destroyed (that would wait for threads that do not exist).
_ORPHANS: list = []


def _forget_batches():
    for batches in _IDLE.values():
        _ORPHANS.extend(batches)
    _IDLE.clear()


if hasattr(os, "register_at_fork"):
    os.register_at_fork(after_in_child=_forget_batches)


def _read_many(sources, workers):
    idle = _IDLE.get(workers)
    batch = idle.pop() if idle else _native.Batch(workers)
    sources = iter(sources)
    # Two chunks in flight per worker: the workers read on while a chunk's
    # results are handed out.
    pending = 0
    while True:
        chunk = list(islice(sources, _CHUNK))
        if chunk:
            batch.submit(chunk)
            pending += 1
            if pending <= 2 * workers:
                continue
        if not pending:
            break
        yield from batch.take()
        pending -= 1
    # Only a batch read to its end is clean: one left half-read is let go.
    idle = _IDLE.setdefault(workers, [])
    if len(idle) < _IDLE_KEEP:
        idle.append(batch)


def thumbnail(source) -> bytes | None:
    """The JPEG thumbnail embedded in the file's Exif data, or None.

    ``source`` is a path, the file's bytes, or a binary file object.
    """
    if _is_path(source):
        data, oserror = _native.thumbnail(source, True)
        if oserror:
            _raise_oserror(oserror, source)
        return data
    if hasattr(source, "read") and not isinstance(source, _BUFFER_TYPES):
        source = source.read()
    return _native.thumbnail(source, False)[0]

