"""read(): sources, values, lookup, errors, pickling."""

import errno
import io
import math
import os
import pickle
import shutil
import subprocess
import sys
from datetime import datetime, timedelta, timezone
from fractions import Fraction
from pathlib import Path

import pytest

import exifkit
from conftest import CORPUS, DATA


def test_values_of_a_camera_photo(canon):
    md = exifkit.read(canon)
    assert (md.format, md.result, md.error, md.warnings) == ("jpeg", 0, None, ())
    assert md.frame == exifkit.Frame((8, 3, 68, 100))
    exposure = md["ExposureTime"]
    assert (exposure.directory, exposure.tag, exposure.name, exposure.text) == (
        "Exif", 0x829A, "Exposure Time", "1/160 sec")
    assert exposure.value == Fraction(1, 160) and exposure.type == 5 and exposure.count == 1
    assert md["Make"].value == "Canon" and md["Make"].type == 2
    assert md["ExifVersion"].value == b"0221"
    assert isinstance(md["ISOSpeedRatings"].value, int)
    # Arrays are tuples; sub-values name their array.
    arrays = [p for p in md.properties if isinstance(p.value, tuple)]
    assert arrays and all(isinstance(v, (int, float, Fraction)) for p in arrays for v in p.value)
    # Over its cap a value keeps its length alone.
    assert md["UserComment"].value == exifkit.Truncated((264,)) and md["UserComment"].count == 264


def test_sub_values_and_derived_texts():
    """Values unpacked from a maker's array name it; texts the library derives have no value."""
    md = exifkit.read(DATA / "Canon_DIGITAL_IXUS_400.jpg")
    subs = [p for p in md.properties if p.parent and p.type]
    derived = [p for p in md.properties if p.type == 0]
    assert subs and all(p.count == 1 and isinstance(p.value, int) for p in subs)
    assert derived and all(p.value is None and p.count == 0 for p in derived)
    assert md["CanonLensSz"].text == "7.41 - 22.22 mm" and md["CanonLensSz"].parent == "Canon1Tag"
    assert md["CanonLensSz"].directory == "Canon"


def test_summary_types(canon):
    s = exifkit.read(canon).summary
    assert (s.make, s.model) == ("Canon", "Canon EOS 40D")
    assert s.datetime_original == datetime(2008, 5, 30, 15, 56, 1)
    assert s.exposure_time == Fraction(1, 160) and s.f_number == 7.1 and s.iso == 100
    assert s.focal_length == 135.0 and s.gps is None
    assert (s.width, s.height) == (100, 68)


def test_summary_gps_and_offsets(corpus):
    """GPS in degrees and aware datetimes, wherever the corpus has them."""
    seen_gps = seen_offset = False
    for path in corpus:
        s = exifkit.read(path).summary
        if s.gps is not None and s.gps.latitude is not None:
            seen_gps = True
            assert -90 <= s.gps.latitude <= 90 and -180 <= s.gps.longitude <= 180
            if s.gps.timestamp is not None:
                assert s.gps.timestamp.utcoffset() == timedelta(0)
        for t in (s.datetime_original, s.datetime_digitized, s.datetime_modified):
            if t is not None and t.tzinfo is not None:
                seen_offset = True
                assert isinstance(t.tzinfo, timezone)
    assert seen_gps and seen_offset


def test_lookup(canon):
    md = exifkit.read(canon)
    assert md.get("GPS", "GPSLatitude") is None
    assert md.get("Exif", "ExposureTime") is md["ExposureTime"]
    assert md.get("IFD0", "ExposureTime") is None and md.get("Nothing") is None
    assert md.get("Nothing", default=1) == 1
    assert md["IFD1", "XResolution"].directory == "IFD1"
    assert md["XResolution"].directory == "IFD0"  # the first in delivery order
    assert "ExposureTime" in md and ("Exif", "ExposureTime") in md and "Nothing" not in md and 3 not in md
    with pytest.raises(KeyError):
        md["Nothing"]
    with pytest.raises(TypeError):
        md[3]
    keys = md.keys()
    assert len(keys) == len(set(keys)) == len(md) and list(md) == keys and keys[0] == "Make"
    assert md.text("Model") == "Canon EOS 40D" and md.text("Nothing") is None
    assert md.text("XResolution", "IFD1") == md["IFD1", "XResolution"].text


def test_every_source_reads_alike(canon, tmp_path):
    data = Path(canon).read_bytes()
    expected = exifkit.read(canon).to_dict()
    expected["file"] = None
    shifted = io.BytesIO(b"junk" + data)
    shifted.seek(4)
    pipe_r, pipe_w = os.pipe()
    os.write(pipe_w, data[:60000])
    os.close(pipe_w)

    class Unseekable(io.RawIOBase):
        def __init__(self, data):
            self.rest = data

        def readable(self):
            return True

        def readinto(self, b):
            n = min(len(b), len(self.rest), 1000)  # short reads
            b[:n] = self.rest[:n]
            self.rest = self.rest[n:]
            return n

    sources = [data, bytearray(data), memoryview(data), io.BytesIO(data), shifted, Unseekable(data),
               io.BufferedReader(Unseekable(data))]
    with open(pipe_r, "rb") as pipe:
        sources.append(pipe)
        for source in sources:
            assert exifkit.read(source).to_dict() == expected, type(source)
    assert shifted.tell() == 4  # a seekable file is left where it stood
    assert exifkit.read(Path(canon)).to_dict()["file"] == canon
    with pytest.raises(TypeError):
        exifkit.read(io.StringIO("text"))
    with pytest.raises(TypeError):
        exifkit.read(42)


def test_a_file_object_that_fails_raises_its_error():
    class Failing(io.RawIOBase):
        def readable(self):
            return True

        def readinto(self, b):
            raise ValueError("device gone")

    with pytest.raises(ValueError, match="device gone"):
        exifkit.read(Failing())


@pytest.mark.parametrize(
    "make, error_class, code",
    [
        (lambda d: d / "missing.jpg", FileNotFoundError, errno.ENOENT),
        (lambda d: d, IsADirectoryError, errno.EISDIR),
    ],
)
def test_paths_that_cannot_be_opened_raise(tmp_path, make, error_class, code):
    path = make(tmp_path)
    with pytest.raises(error_class) as e:
        exifkit.read(path)
    assert e.value.errno == code and e.value.filename == path


def test_permission_denied(tmp_path, canon):
    """A file its reader may not open; as root, the check runs as nobody."""
    path = tmp_path / "locked.jpg"
    path.write_bytes(Path(canon).read_bytes())
    path.chmod(0)
    if os.geteuid() != 0:
        with pytest.raises(PermissionError) as e:
            exifkit.read(path)
        assert e.value.errno == errno.EACCES
        return
    setpriv = shutil.which("setpriv")
    if not setpriv:
        pytest.skip("root needs setpriv to read as another user")
    tmp_path.chmod(0o755)
    check = ("import exifkit, sys\n"
             "try:\n    exifkit.read(sys.argv[1])\nexcept PermissionError as e:\n    sys.exit(0 if e.errno == 13 else 2)\n"
             "sys.exit(1)")
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    done = subprocess.run([setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", sys.executable, "-c", check,
                           str(path)], env=env, cwd="/")
    assert done.returncode == 0


@pytest.mark.parametrize(
    "data, error",
    [
        (b"", "Error: unknown file format"),
        (b"not a photo at all", "Error: unknown file format"),
        (b"\xff\xd8\xff\xe1\x00\x10Exif\x00\x00II*\x00\x08\x00", None),
    ],
)
def test_damaged_data_does_not_raise_unless_strict(data, error):
    md = exifkit.read(data)
    assert md.result != 0 or md.warnings
    if error:
        assert md.error.startswith(error)
        with pytest.raises(exifkit.ExifError) as e:
            exifkit.read(data, strict=True)
        assert e.value.metadata.error == md.error and str(e.value) == md.error
    else:
        assert exifkit.read(data, strict=True).error is None


def test_truncated_photo_is_reported_not_raised(canon):
    data = Path(canon).read_bytes()
    md = exifkit.read(data[:2000])
    assert md.warnings == (exifkit.Warning(("file ends inside the Exif block", None)),)
    assert md.format == "jpeg" and md.error is None and not md.properties


def test_pickle_and_equality(canon):
    md = exifkit.read(canon)
    again = pickle.loads(pickle.dumps(md))
    assert again == md and again is not md and again.file == canon
    assert again.properties == md.properties and again.summary == md.summary
    assert again.warnings == md.warnings and again.frame == md.frame and again.keys() == md.keys()
    assert again.get("Canon", "ModelID") == md.get("Canon", "ModelID")
    assert pickle.loads(pickle.dumps(md.properties)) == md.properties
    assert md != exifkit.read(DATA / "Nikon_D70.jpg")


def test_pickle_round_trip_over_the_corpus(corpus):
    """Restored results give the objects a fresh read gives."""
    for path in corpus:
        md = exifkit.read(path)
        again = pickle.loads(pickle.dumps(md))
        assert again.to_dict() == md.to_dict()
        assert repr(again.properties) == repr(md.properties), path  # NaN is not equal to itself
        assert again.summary == md.summary, path
        assert (again.format, again.error, again.warnings, again.frame) == (md.format, md.error, md.warnings,
                                                                            md.frame)


def test_repr(canon):
    text = repr(exifkit.read(canon))
    assert text.startswith("<exifkit.Metadata format='jpeg'") and "Canon EOS 40D" in text
    assert "properties=" in text
    assert repr(exifkit.Truncated((3,))) == "exifkit.Truncated(length=3)"


def test_zero_denominators_read_as_nan(corpus):
    zero = [p for path in corpus for p in exifkit.read(path).properties
            if p.type in (5, 10) and isinstance(p.value, float)]
    assert zero and all(math.isnan(p.value) for p in zero)


def test_thumbnail(canon, tmp_path):
    thumb = exifkit.thumbnail(canon)
    assert thumb.startswith(b"\xff\xd8") and len(thumb) == exifkit.read(canon)["JPEGInterchangeFormatLength"].value
    assert exifkit.thumbnail(Path(canon).read_bytes()) == thumb
    with open(canon, "rb") as f:
        assert exifkit.thumbnail(f) == thumb
    assert exifkit.thumbnail(b"nothing") is None
    with pytest.raises(FileNotFoundError):
        exifkit.thumbnail(tmp_path / "missing.jpg")


def test_version():
    assert exifkit.__version__.count(".") == 2
