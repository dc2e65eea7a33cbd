# The extension module's types, for type checkers. Scripts use the names
# the exifkit package exports.
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

class Property(_Record):
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
    result: int
    oserror: int
    format: Optional[str]
    error: Optional[str]
    warnings: Tuple[Warning, ...]
    frame: Optional[Frame]
    summary: Summary
    properties: Tuple[Property, ...]
    missing: Optional[Tuple[int, int]]
    def find(self, *args: str) -> int: ...
    def keys(self) -> list[str]: ...
    def json(self, file: Optional[bytes]) -> str: ...

class Batch:
    def __init__(self, workers: int) -> None: ...
    def submit(self, chunk: list[tuple[Any, bool]]) -> None: ...
    def take(self) -> list[tuple[Result, int]]: ...

def read_path(path: bytes) -> Result: ...
def read_buffer(data: Any) -> Result: ...
def read_file(file: Any) -> Result: ...
def thumbnail(source: Any, ispath: bool) -> tuple[Optional[bytes], int]: ...
def refusal(file: Optional[bytes], code: int, error: str) -> str: ...
