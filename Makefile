# Convenience wrapper around CMake.
#   make run    build the command alone and show the metadata of a bundled sample photo
#   make test   build and run the whole test suite, then again under ASan + UBSan,
#               the concurrency test under ThreadSanitizer, and the Python
#               package's tests
#   make python build the Python package into a venv ($(PY_BUILD)/venv) of
#               Debian's Python, which has the packages its tests use
#   make fuzz   run each libFuzzer target for FUZZ_SECONDS (default 60)
#   make bench  build and run the benchmarks
#   make bench-compare  time exifkit against libexif, exiv2 and the I/O floor
#               (needs libexif-dev and libexiv2-dev)
#   make package  build the Debian package into $(BUILD)
#   make wasm   build the WebAssembly package into wasm/dist (needs emscripten)
#   make serve  serve the repository on 127.0.0.1:8000: the viewer page is at /web/

BUILD        ?= build
SAN_BUILD    ?= build-sanitize
TSAN_BUILD   ?= build-tsan
FUZZ_BUILD   ?= build-fuzz
BENCH_BUILD  ?= build-bench
JOBS         ?= $(shell nproc)
FUZZ_SECONDS ?= 60
SAMPLE       ?= tests/data/Canon_DIGITAL_IXUS_400.jpg
# The sanitizer build uses clang when it is there, so that both compilers see the code.
SAN_CXX      ?= $(shell command -v clang++ 2>/dev/null || echo g++)
FUZZ_CXX     ?= clang++
BENCH_FLAGS  ?=
PYTHON_BENCH_FLAGS ?=
NODE_BENCH_ROUNDS ?= 7
EXIFKIT_CORPUS_DIR ?= ../shared/corpus
PY_BUILD     ?= build-python
SYSTEM_PYTHON ?= /usr/bin/python3
COMPARE_ROUNDS ?= 7

CTEST_FLAGS = --output-on-failure -j $(JOBS)

.PHONY: wasm serve test-wasm bench-node all configure build test test-plain test-sanitize test-tsan test-python test-python-sanitize python run fuzz bench bench-compare \
        bench-python package clean

all: build

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test-plain: build
	cd $(BUILD) && ctest $(CTEST_FLAGS)

test-sanitize:
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=$(SAN_CXX) \
	      -DEXIFKIT_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest $(CTEST_FLAGS)

# ThreadSanitizer needs clang; only the concurrency test is built with it.
test-tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=$(SAN_CXX) -DEXIFKIT_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_threads
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 ctest $(CTEST_FLAGS) -R '^Threads\.'

# The Python package, built from the same sources by pip into a venv that
# sees Debian's packages (pybind11, pytest, dask...). Rebuilt when a source changes.
PY      = $(PY_BUILD)/venv/bin/python
PY_DEPS = $(shell find src include python -type f -not -name '*.pyc') setup.py pyproject.toml CMakeLists.txt

$(PY):
	$(SYSTEM_PYTHON) -m venv --system-site-packages $(PY_BUILD)/venv

$(PY_BUILD)/installed: $(PY) $(PY_DEPS)
	EXIFKIT_WERROR=1 $(PY) -m pip install --no-build-isolation --no-deps --no-index --quiet .
	touch $@

python: $(PY_BUILD)/installed

# With Python's debug allocator and its development checks; the JSON tests
# compare with the command of the plain build.
test-python: python build
	cd tests/python && EXIFKIT_COMMAND=$(CURDIR)/$(BUILD)/exifkit PYTHONMALLOC=debug \
	  $(CURDIR)/$(PY) -X dev -W error::ResourceWarning -m pytest -q -p no:cacheprovider .

# The package again with ASan + UBSan (gcc's, preloaded into the system
# Python), its tests reading the corpus through it. CPython leaves memory to
# the end of the process by design, so leaks are not looked for here: the
# tests count Python's memory over many reads instead.
PY_SAN = $(PY_BUILD)/sanitize
test-python-sanitize: python build
	CFLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
	LDFLAGS="-fsanitize=address,undefined" EXIFKIT_WERROR=1 \
	  $(PY) setup.py --quiet build --build-base $(PY_SAN) --build-lib $(PY_SAN)/lib
	cd tests/python && EXIFKIT_COMMAND=$(CURDIR)/$(BUILD)/exifkit PYTHONPATH=$(CURDIR)/$(PY_SAN)/lib EXIFKIT_SANITIZED=1 \
	  LD_PRELOAD="$$(gcc -print-file-name=libasan.so) $$(gcc -print-file-name=libubsan.so)" \
	  ASAN_OPTIONS=detect_leaks=0 $(CURDIR)/$(PY) -m pytest -q -p no:cacheprovider .

# The WebAssembly package's tests run where emscripten is installed.
HAVE_EMXX := $(shell command -v em++ 2>/dev/null)
test: test-plain test-sanitize test-tsan test-python test-python-sanitize $(if $(HAVE_EMXX),test-wasm)

# The command alone: the library and the command, not the tests.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target exifkit_tool
	./$(BUILD)/exifkit $(SAMPLE)

fuzz:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
	      -DEXIFKIT_FUZZ=ON -DEXIFKIT_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash fuzz/run.sh $(FUZZ_BUILD)

bench:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DEXIFKIT_BENCH=ON -DEXIFKIT_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	./$(BENCH_BUILD)/bench/exifkit_bench $(BENCH_FLAGS)

bench-compare:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DEXIFKIT_BENCH=ON -DEXIFKIT_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target exifkit_compare
	./$(BENCH_BUILD)/bench/exifkit_compare $(COMPARE_ROUNDS)

# ---- WebAssembly ----
# The library's own sources and the binding, compiled by emscripten one
# object at a time (so that make rebuilds what changed and runs in parallel),
# linked into wasm/dist/exifkit.wasm and its loader. Debian's emcc runs its
# tools with Node and finds their modules through NODE_PATH. No emscripten
# port is used (they would be downloaded): without zlib, compressed PNG text
# chunks are passed over with a warning.
EMXX        ?= em++
WASM_BUILD  ?= build-wasm
WASM_ENV     = NODE_PATH=/usr/share/nodejs
EXIFKIT_VERSION := $(shell awk '/^project.exifkit VERSION/ {print $$3}' CMakeLists.txt)
# Exceptions are WebAssembly's own: the library's fatal errors unwind as C++
# exceptions, and these cost far less than emscripten's JavaScript ones.
WASM_CXXFLAGS = -std=c++20 -O3 -fwasm-exceptions -Wall -Wextra -Wpedantic -Werror -Iinclude -Isrc \
                -DEXIFKIT_VERSION='"$(EXIFKIT_VERSION)"' -MMD -MP
WASM_LDFLAGS  = -O3 -fwasm-exceptions -sMODULARIZE -sEXPORT_ES6 -sENVIRONMENT=web,worker -sFILESYSTEM=0 \
                -sALLOW_MEMORY_GROWTH -sEXPORTED_RUNTIME_METHODS=UTF8ToString \
                -sEXPORTED_FUNCTIONS=_malloc,_free
WASM_SRCS := $(wildcard src/*/*.cc) wasm/src/binding.cc
WASM_OBJS := $(WASM_SRCS:%.cc=$(WASM_BUILD)/%.o)

$(WASM_BUILD)/%.o: %.cc
	@mkdir -p $(@D)
	$(WASM_ENV) $(EMXX) $(WASM_CXXFLAGS) -c $< -o $@

wasm/dist/exifkit.wasm: $(WASM_OBJS)
	@mkdir -p wasm/dist
	$(WASM_ENV) $(EMXX) $(WASM_LDFLAGS) $(WASM_OBJS) -o wasm/dist/exifkit.mjs

-include $(WASM_OBJS:.o=.d)

wasm: wasm/dist/exifkit.wasm

# The package's tests in Node, and the viewer page in headless Chromium;
# their npm modules (exifr, exifreader, puppeteer-core) come from the root's
# package.json.
test-wasm: wasm build
	EXIFKIT_COMMAND=$(CURDIR)/$(BUILD)/exifkit node --test tests/wasm/ tests/web/

serve:
	$(SYSTEM_PYTHON) -m http.server --bind 127.0.0.1 --directory $(CURDIR) 8000

bench-node: wasm
	node bench/node/compare.mjs $(EXIFKIT_CORPUS_DIR) $(NODE_BENCH_ROUNDS)

bench-python: python
	$(PY) bench/python/compare.py $(PYTHON_BENCH_FLAGS)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(PY_BUILD)
