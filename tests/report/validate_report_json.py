#!/usr/bin/env python3
"""Validates kvdreport's JSON output against its schema, on real files.

Usage: validate_report_json.py KVDREPORT SCHEMA FILE...

Runs `kvdreport --format=json` on each file alone and on all of them at once, and
checks every document against the schema (jsonschema, Draft 2020-12) and against the
text report it summarises: the shown texts are the TSV grid's cells, the numbers round
to them, and the tallies' counts add up to the objects. The JSON lines of the same
files must be the same objects, and valid lines of their own kind. Also checks that the schema
refuses documents with a member missing or of the wrong type, so that a lax schema
cannot pass. Exits 1 with a message on the first failure.
"""

import copy
import json
import os
import subprocess
import sys

import jsonschema


def run(kvdreport, arguments):
    environment = dict(os.environ, LC_ALL="C.UTF-8")
    process = subprocess.run([kvdreport] + arguments, capture_output=True, env=environment, check=False)
    return process.returncode, process.stdout.decode("utf-8")


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def check_against_tsv(kvdreport, path, report):
    status, tsv = run(kvdreport, ["--format=tsv", path])
    rows = [line.split("\t") for line in tsv.splitlines()[1:]]
    statistics = report["statistics"]
    if len(rows) != len(statistics):
        fail(f"{path}: {len(statistics)} statistics for {len(rows)} grid rows")
    for row, measurement in zip(rows, statistics):
        shown = measurement["shown"]
        if row != [measurement["name"], shown["mean"], shown["stdErr"], shown["min"], shown["max"]]:
            fail(f"{path}: {measurement} against the grid row {row}")
        for figure in ("mean", "stdErr", "min", "max"):
            number, text = measurement[figure], shown[figure]
            if number is None:
                if text not in ("n/a", ""):
                    fail(f"{path}: {figure} null but shown as {text!r}")
                continue
            if abs(float(text) - number) > max(0.0050001, 5e-6 * abs(number)):
                fail(f"{path}: {figure} {number} does not round to {text!r}")
        if measurement["values"] == "numbers" and measurement["n"] != report["objects"]:
            fail(f"{path}: n {measurement['n']} for {report['objects']} objects")
    counts = sum(1 for m in statistics if m["values"] != "not numbers")
    if counts != report["measurements"]:
        fail(f"{path}: {report['measurements']} measurements for {counts} computed rows")
    if sum(tally["count"] for tally in report["sources"]) > report["objects"]:
        fail(f"{path}: source counts exceed the objects")


def check_by_value(kvdreport, validator, path, report):
    keys = ["source"] + (["group", "status"] if "groups" in report else [])
    for key in keys:
        status, output = run(kvdreport, ["--format=json", "--by=" + key, path])
        document = json.loads(output)
        errors = sorted(validator.iter_errors(document), key=str)
        if errors:
            fail(f"{path} --by={key}: {errors[0].message} at {list(errors[0].absolute_path)}")
        by = document["by"]
        if by is None or by["key"] != key:
            fail(f"{path} --by={key}: {by!r}")
        computed = [m["name"] for m in report["statistics"] if m["values"] == "numbers"]
        if sum(entry["objects"] for entry in by["entries"]) != report["objects"]:
            fail(f"{path} --by={key}: the values' objects do not add up to the file's")
        for entry in by["entries"]:
            if [m["name"] for m in entry["statistics"]] != computed:
                fail(f"{path} --by={key}: {entry['value']} has other measurements than {computed}")
        tallies = {"source": report["sources"], "group": report.get("groups")}.get(key)
        if tallies is not None and [t["value"] for t in tallies] != [e["value"] for e in by["entries"]]:
            fail(f"{path} --by={key}: values other than the summary's tallies")


def refuses(validator, document):
    return not validator.is_valid(document)


def definition_validator(schema, name):
    return jsonschema.Draft202012Validator({"$defs": schema["$defs"], "$ref": "#/$defs/" + name})


def check_json_lines(kvdreport, schema, files, documents):
    """--format=jsonl gives the objects of --format=json, one a line, with the error
    of a failed file as {code, message}; --check --format=jsonl gives valid problems."""
    line_validator = definition_validator(schema, "fileLine")
    status, output = run(kvdreport, ["--format=jsonl", "-j", "2"] + files)
    lines = output.splitlines()
    if len(lines) != len(files):
        fail(f"{len(lines)} JSON lines for {len(files)} files")
    for line, document in zip(lines, documents):
        record = json.loads(line)
        errors = sorted(line_validator.iter_errors(record), key=str)
        if errors:
            fail(f"{record['file']}: {errors[0].message} in its JSON line")
        if "error" in document:
            expected = {"code": document.pop("code"), "message": document["error"]}
            document["error"] = expected
        if record != document:
            fail(f"{record['file']}: the JSON line differs from the JSON object")
    problem_validator = definition_validator(schema, "problemLine")
    status, output = run(kvdreport, ["--check", "--format=jsonl"] + files)
    for line in output.splitlines():
        errors = sorted(problem_validator.iter_errors(json.loads(line)), key=str)
        if errors:
            fail(f"{errors[0].message} in the problem line {line}")


def main():
    if len(sys.argv) < 4:
        fail(__doc__)
    kvdreport, schema_path, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    with open(schema_path, encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)

    loaded = []
    for path in files:
        status, output = run(kvdreport, ["--format=json", path])
        document = json.loads(output)
        errors = sorted(validator.iter_errors(document), key=str)
        if errors:
            fail(f"{path}: {errors[0].message} at {list(errors[0].absolute_path)}")
        if ("error" in document) != (status == 1):
            fail(f"{path}: exit status {status} for {document.get('error')!r}")
        if "error" not in document:
            check_against_tsv(kvdreport, path, document)
            check_by_value(kvdreport, validator, path, document)
            loaded.append(document)

    status, output = run(kvdreport, ["--format=json", "-j", "2"] + files)
    documents = json.loads(output)
    if not validator.is_valid(documents) or [d["file"] for d in documents] != files:
        fail("the array of several files")
    check_json_lines(kvdreport, schema, files, documents)

    if not loaded:
        fail("no file was loaded")
    sample = loaded[0]
    for member in ("kind", "statistics", "sources"):
        broken = copy.deepcopy(sample)
        del broken[member]
        if not refuses(validator, broken):
            fail(f"the schema accepts a report without {member}")
    broken = copy.deepcopy(sample)
    broken["statistics"][0]["mean"] = broken["statistics"][0]["shown"]["mean"]
    if not refuses(validator, broken):
        fail("the schema accepts a mean given as text")
    if not refuses(validator, [sample]):
        fail("the schema accepts an array of one file")
    print(f"{len(files)} files valid")


if __name__ == "__main__":
    main()
