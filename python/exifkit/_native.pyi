# The extension module's types, for type checkers. Scripts use the names
# the exifkit package exports.
import os
from datetime import datetime
from fractions import Fraction
from typing import Any, Iterable, Optional, Tuple, TypeVar, Union

__version__: str
EXIF_OK: int
EXIF_CANT_OPEN: int
EXIF_NONE: int
MAX_BYTES: int
MAX_ELEMENTS: int
_fast_fractions: bool

_R = TypeVar("_R", bound="_Record")

# Named records: tuples whose fields also read by name, made from one
# sequence of all their fields (as os.stat_result is).
class _Record(Tuple[Any, ...]):
    n_fields: int
    n_sequence_fields: int
    n_unnamed_fields: int
    def __new__(cls: type[_R], sequence: Iterable[Any], dict: dict[str, Any] = ...) -> _R: ...

class Truncated(_Record):
    length: int

Number = Union[int, float, Fraction]
Value = Union[None, int, float, Fraction, str, bytes, Tuple[Number, ...], Truncated]

class Property:
    """One delivered property; fields are made on first use."""

    _fields: Tuple[str, ...]
    directory: str
    tag: int
    key: str
    name: str
    text: str
    value: Value
    group: int
    type: int
    count: int
    parent: Optional[str]
    def __init__(self, directory: str, tag: int, key: str, name: str, text: str, value: Value, group: int,
                 type: int, count: int, parent: Optional[str] = None) -> None: ...
    def astuple(self) -> Tuple[Any, ...]: ...

class Warning(_Record):
    message: str
    detail: Optional[str]

class Frame(_Record):
    precision: int
    components: int
    height: int
    width: int

class GPS(_Record):
    latitude: Optional[float]
    longitude: Optional[float]
    altitude: Optional[float]
    timestamp: Optional[datetime]
    direction: Optional[float]

class Summary(_Record):
    make: Optional[str]
    model: Optional[str]
    lens: Optional[str]
    software: Optional[str]
    datetime_original: Optional[datetime]
    datetime_digitized: Optional[datetime]
    datetime_modified: Optional[datetime]
    exposure_time: Optional[Union[Fraction, float]]
    f_number: Optional[float]
    iso: Optional[int]
    focal_length: Optional[float]
    focal_length_35mm: Optional[float]
    orientation: Optional[int]
    width: Optional[int]
    height: Optional[int]
    gps: Optional[GPS]

class Result:
    """The result of one read; exifkit.Metadata is its Python subclass."""

    properties: Tuple[Property, ...]
    summary: Summary
    warnings: Tuple[Warning, ...]
    frame: Optional[Frame]
    format: Optional[str]
    result: int
    oserror: int
    error: Optional[str]
    missing: Optional[Tuple[int, int]]
    _file: Optional[bytes]
    _json: str
    _index: Optional[dict[Any, int]]
    def _find(self, first: str, second: str = ...) -> Optional[int]: ...
    def _keys(self) -> Optional[list[str]]: ...

class Batch:
    def __init__(self, workers: int) -> None: ...
    def submit(self, chunk: list[Any]) -> None: ...
    def take(self) -> list[tuple[Any, Union[Result, OSError]]]: ...

def set_result_type(type: type) -> None: ...
def read_path(path: Union[str, bytes, "os.PathLike[str]"]) -> Result: ...
def read_buffer(data: Any) -> Result: ...
def read_file(file: Any) -> Result: ...
def thumbnail(source: Any, ispath: bool) -> tuple[Optional[bytes], int]: ...
def refusal(file: Optional[bytes], code: int, error: str) -> str: ...
