"""Builds the exifkit Python package: the library's own sources and the
binding compiled into one extension module, exifkit._native.

    pip install --no-build-isolation .

needs setuptools, a C++20 compiler, the Python headers and pybind11's
headers (the pybind11 package, or Debian's pybind11-dev in /usr/include).
The system zlib is linked when its header is found (EXIFKIT_ZLIB=0 turns it
off); EXIFKIT_WERROR=1 makes warnings errors, as the CMake build does.
"""

import os
import re
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def version() -> str:
    """The one version number, the CMake project's."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(exifkit VERSION ([0-9.]+)", text).group(1)


def pybind11_include() -> list:
    try:
        import pybind11

        return [pybind11.get_include()]
    except ImportError:
        return []  # Debian's pybind11-dev: /usr/include


def zlib_wanted() -> bool:
    if os.environ.get("EXIFKIT_ZLIB", "1") == "0":
        return False
    return any(Path(d, "zlib.h").exists() for d in ("/usr/include", "/usr/local/include", "/opt/homebrew/include"))


def sources() -> list:
    library = sorted(str(p.relative_to(ROOT)) for p in (ROOT / "src").glob("*/*.cc"))
    return library + ["python/src/module.cc"]


class parallel_build_ext(build_ext):
    """Compiles the sources on every CPU: the library is some eighty files."""

    def build_extensions(self):
        compiler = self.compiler
        original = compiler.compile

        def compile_all(sources, output_dir=None, macros=None, include_dirs=None, debug=0,
                        extra_preargs=None, extra_postargs=None, depends=None):
            macros, objects, extra_postargs, pp_opts, build = compiler._setup_compile(
                output_dir, macros, include_dirs, sources, depends, extra_postargs)
            cc_args = compiler._get_cc_args(pp_opts, debug, extra_preargs)

            def one(obj):
                src, ext = build[obj]
                compiler._compile(obj, src, ext, cc_args, extra_postargs, pp_opts)

            with ThreadPoolExecutor(os.cpu_count() or 1) as pool:
                list(pool.map(one, objects))
            return objects

        compiler.compile = compile_all if hasattr(compiler, "_setup_compile") else original
        # -std=c++20 is for C++ only; the C compiler's flags stay as Python set them.
        super().build_extensions()


# No debug information: it would make the module some five times its size.
flags = ["-std=c++20", "-O3", "-fno-wrapv", "-fvisibility=hidden", "-g0", "-Wall", "-Wextra", "-Wpedantic"]
if os.environ.get("EXIFKIT_WERROR") == "1":
    flags.append("-Werror")
macros = [("EXIFKIT_VERSION", f'"{version()}"')]
libraries = []
if zlib_wanted():
    macros.append(("EXIFKIT_HAVE_ZLIB", "1"))
    libraries.append("z")

native = Extension(
    "exifkit._native",
    sources=sources(),
    include_dirs=[str(ROOT / "include"), str(ROOT / "src")] + pybind11_include(),
    define_macros=macros,
    extra_compile_args=flags,
    libraries=libraries,
    language="c++",
)

setup(version=version(), ext_modules=[native], cmdclass={"build_ext": parallel_build_ext})
