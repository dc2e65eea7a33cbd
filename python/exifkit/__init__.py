"""exifkit: the camera metadata of photos (Exif, GPS and maker notes) from
JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP and JPEG XL.

    >>> import exifkit
    >>> md = exifkit.read("photo.heic")
    >>> md.summary.model, md.summary.datetime_original, md["ExposureTime"].value
    ('iPhone 12', datetime.datetime(2021, ...), Fraction(1, 120))

``read`` takes a path, bytes or a binary file object; ``read_many`` reads
many paths on native threads; ``exifkit.dask`` reads a photo library on a
Dask cluster; ``python -m exifkit FILE...`` prints each file's metadata as
a line of JSON.
"""

from ._metadata import ExifError, Metadata, read, read_many, thumbnail
from ._native import GPS, MAX_BYTES, MAX_ELEMENTS, Frame, Property, Summary, Truncated, Warning, __version__

# Warning is exifkit.Warning only: a star import would hide the built-in one.
__all__ = [
    "ExifError",
    "Frame",
    "GPS",
    "MAX_BYTES",
    "MAX_ELEMENTS",
    "Metadata",
    "Property",
    "Summary",
    "Truncated",
    "__version__",
    "read",
    "read_many",
    "thumbnail",
]
