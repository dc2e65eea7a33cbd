#!/usr/bin/env bash
# Line coverage of src/ after a run of the tests in a build made with
#   cmake -S . -B BUILD -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage \
#         -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
# A line counts once however many objects compile it (inline code of headers):
# executable when any object has it, covered when any object ran it.
#   usage: tests/coverage.sh BUILD [SOURCE]   (prints per file with -v as third argument)
set -euo pipefail
build=$(realpath "$1")
src=$(realpath "${2:-$(dirname "$0")/..}")/src/
find "$build" -name '*.gcda' -path '*/ek_*' -print0 |
  (cd "$build" && xargs -0 gcov --json-format --stdout 2>/dev/null) |
  python3 -c '
import json, sys
src, verbose, lines = sys.argv[1], len(sys.argv) > 2, {}
for doc in sys.stdin:
    for f in json.loads(doc)["files"]:
        if f["file"].startswith(src):
            for l in f["lines"]:
                key = (f["file"][len(src):], l["line_number"])
                lines[key] = lines.get(key, False) or l["count"] > 0
files = {}
for (name, _), hit in lines.items():
    total, covered = files.get(name, (0, 0))
    files[name] = (total + 1, covered + hit)
for name in sorted(files) if verbose else []:
    print(f"{100 * files[name][1] / files[name][0]:6.1f}% {files[name][0]:5} {name}")
hit = sum(lines.values())
print(f"src/: {hit} of {len(lines)} lines, {100 * hit / len(lines):.2f}%")
' "$src" ${3:+-v}
