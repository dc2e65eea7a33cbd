"""to_dict() and python -m exifkit against the command's structured JSON."""

import json
import math
import os
import subprocess
import sys
from fractions import Fraction

import pytest

import exifkit
from conftest import DATA

SAMPLES = sorted(str(p) for p in DATA.glob("*.jpg"))


def command_lines(command, files):
    done = subprocess.run([command, "-J", "-P", "1", *files], capture_output=True, check=False)
    lines = done.stdout.decode("utf-8").splitlines()
    assert len(lines) == len(files)
    return lines


def test_every_file_gives_the_commands_object(command, corpus):
    files = SAMPLES + corpus
    for path, line in zip(files, command_lines(command, files)):
        md = exifkit.read(path)
        assert md.to_json() == line, path
        assert md.to_dict() == json.loads(line)


def same(value, stored, type_):
    """Whether a Python value is the JSON form's value."""
    if value is None or isinstance(value, exifkit.Truncated):
        return stored is None if value is None else stored == {"length": value.length}
    if isinstance(value, tuple):
        return len(value) == len(stored) and all(same(v, s, type_) for v, s in zip(value, stored))
    if isinstance(value, Fraction):
        return Fraction(*stored) == value
    if isinstance(value, float):
        if type_ in (5, 10):
            return math.isnan(value) and stored[1] == 0
        return stored is None if not math.isfinite(value) else value == stored
    if isinstance(value, bytes):
        import base64

        return base64.b64decode(stored) == value
    return value == stored


def test_records_hold_what_the_json_holds(corpus):
    for path in SAMPLES + corpus:
        md = exifkit.read(path)
        d = md.to_dict()
        assert [w["message"] for w in d["warnings"]] == [w.message for w in md.warnings]
        assert len(d["properties"]) == len(md.properties), path
        for p, j in zip(md.properties, d["properties"]):
            assert (p.directory, p.tag, p.key, p.name, p.text, p.group, p.type, p.count, p.parent) == (
                j["directory"], j["tag"], j["key"], j["name"], j["text"], j["group"], j["type"], j["count"],
                j.get("parent")), path
            assert same(p.value, j["value"], p.type), (path, p)
        s, js = md.summary, d["summary"]
        for name in ("make", "model", "lens", "software", "f_number", "iso", "focal_length", "orientation",
                     "width", "height"):
            assert getattr(s, name) == js.get(name), (path, name)
        if s.exposure_time is not None:
            assert Fraction(*js["exposure_time"]) == s.exposure_time
        if s.datetime_original is not None:
            assert s.datetime_original.isoformat()[:19] == js["datetime_original"][:19]
        assert (s.gps is None) == ("gps" not in js)


def test_bytes_sources_have_no_file():
    with open(SAMPLES[0], "rb") as f:
        assert exifkit.read(f).to_dict()["file"] is None


def run_module(*args, stdin=None):
    return subprocess.run([sys.executable, "-m", "exifkit", *args], input=stdin, capture_output=True, check=False)


def test_module_prints_the_commands_lines(command, tmp_path):
    files = SAMPLES[:3] + [str(tmp_path / "missing.jpg"), str(tmp_path)]
    done = run_module(*files)
    expected = subprocess.run([command, "-J", "-P", "1", *files], capture_output=True, check=False)
    assert done.stdout == expected.stdout
    assert done.returncode == expected.returncode == 1
    assert run_module(*SAMPLES[:2]).returncode == 0


def test_module_reads_standard_input():
    with open(SAMPLES[0], "rb") as f:
        data = f.read()
    line = json.loads(run_module("-", stdin=data).stdout)
    assert line["file"] is None and line == exifkit.read(data).to_dict()


def test_module_usage():
    assert run_module().returncode == 2
    done = run_module("--version")
    assert done.stdout.decode().strip() == f"exifkit {exifkit.__version__}"
