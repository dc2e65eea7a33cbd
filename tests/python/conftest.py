"""Where the tests find the samples, the corpus and the exifkit command.

EXIFKIT_CORPUS names the corpus folder (default: ../shared/corpus beside the
checkout) and EXIFKIT_COMMAND the built command (default: build/exifkit);
tests that need one that is missing are skipped.
"""

import os
import shutil
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"
CORPUS = Path(os.environ.get("EXIFKIT_CORPUS", ROOT.parent / "shared" / "corpus"))
COMMAND = os.environ.get("EXIFKIT_COMMAND", str(ROOT / "build" / "exifkit"))

SUFFIXES = {".jpg", ".jpeg", ".tif", ".tiff", ".dng", ".cr2", ".cr3", ".nef", ".arw", ".orf", ".rw2", ".pef",
            ".raf", ".crw", ".heic", ".heif", ".hif", ".avif", ".png", ".webp", ".jxl", ".app1"}


def corpus_files():
    """Every photo and damaged file of the corpus, sorted."""
    if not CORPUS.is_dir():
        return []
    return sorted(str(p) for p in CORPUS.rglob("*") if p.is_file() and p.suffix.lower() in SUFFIXES)


@pytest.fixture(scope="session")
def corpus():
    files = corpus_files()
    if not files:
        pytest.skip(f"no corpus at {CORPUS}")
    return files


@pytest.fixture(scope="session")
def command():
    if not (os.access(COMMAND, os.X_OK) or shutil.which(COMMAND)):
        pytest.skip(f"no exifkit command at {COMMAND}")
    return COMMAND


@pytest.fixture(scope="session")
def canon():
    return str(DATA / "Canon_40D.jpg")
