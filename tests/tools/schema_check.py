"""Validates the command's JSON output against doc/exifkit.schema.json.

usage: schema_check.py EXIFKIT SCHEMA FILE_OR_DIR...

Runs `exifkit -j` and `exifkit -J` over every file of the inputs, whatever
its name, and checks each line against its form; exits 1 on the first line
that fails, printing the file and the reason.
"""
import json
import os
import subprocess
import sys

import jsonschema


def files(inputs):
    for top in inputs:
        if not os.path.isdir(top):
            yield top
            continue
        for folder, _, names in sorted(os.walk(top)):
            for name in sorted(names):
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path):
                    yield path


def lines(exifkit, mode, inputs):
    run = subprocess.run([exifkit, mode, *inputs], capture_output=True, check=False)
    if run.returncode not in (0, 1):
        sys.exit(f"exifkit {mode} exited with {run.returncode}: {run.stderr.decode(errors='replace')}")
    return run.stdout.decode("utf-8").splitlines()


def main():
    exifkit, schemapath, *inputs = sys.argv[1:]
    with open(schemapath, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    inputs = list(files(inputs))
    checked = 0
    for mode, form in (("-j", "line"), ("-J", "structured")):
        validator = jsonschema.Draft202012Validator({**schema, "$ref": f"#/$defs/{form}"})
        for line in lines(exifkit, mode, inputs):
            record = json.loads(line)
            errors = sorted(validator.iter_errors(record), key=lambda e: list(e.path))
            if errors:
                sys.exit(f"{mode} {record.get('file')}: {errors[0].message} at {list(errors[0].path)}")
            checked += 1
    if checked == 0:
        sys.exit("no output to check")
    print(f"{checked} lines valid")


if __name__ == "__main__":
    main()
