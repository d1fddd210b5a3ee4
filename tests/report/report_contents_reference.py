#!/usr/bin/env python3
"""Checks the contents of kvdreport's JSON and TSV against a plain reference.

Usage: report_contents_reference.py KVDREPORT

Generates data files from a fixed seed (objects repeated in other letter cases,
sources, measurements with invalid cells, header lines that move the line numbers),
computes what their reports must say with Python's exact fractions, and compares:
object and measurement counts, duplicate groups with their lines, source tallies,
and each measurement's n, mean, standard error, min and max (JSON), and the TSV
grid's rounded figures. Exits 1 with a message on the first difference.
"""

import json
import math
import os
import random
import subprocess
import sys
import tempfile
from fractions import Fraction

SOURCES = ["src%d" % i for i in range(1, 8)]
OBJECTS = ["ob", "Ob", "OB", "x1", "X1", "z", "leaf7", "LEAF7"]


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def number_text(rng):
    scale = rng.choice([1, 10, 1000, 1e6])
    value = rng.uniform(-1, 1) * scale
    return rng.choice(["%d" % round(value), "%.1f" % value, "%.3f" % value, "%.6f" % value])


def generate(rng, path):
    """Writes a random KVD file; returns (header line count, rows, measurement names)."""
    header = ["KVD"] + ["Key%d=%d" % (i, i) for i in range(rng.randrange(0, 4))] + ["[Data]"]
    names = ["M%d" % i for i in range(rng.randrange(1, 5))]
    invalid = {name for name in names if rng.random() < 0.25}
    rows = []
    for index in range(rng.randrange(1, 300)):
        cells = [rng.choice(OBJECTS) + str(rng.randrange(6)), rng.choice(SOURCES)]
        for name in names:
            bad = name in invalid and index > 0 and rng.random() < 0.1
            cells.append("x" if bad else number_text(rng))
        rows.append(cells)
    lines = header + [";".join(["Id", "Src"] + names)] + [";".join(cells) for cells in rows]
    with open(path, "w", newline="") as out:
        out.write("".join(line + "\r\n" for line in lines))
    return len(header), rows, names


def reference(header_lines, rows, names):
    """What the report of the file must say."""
    first_line = header_lines + 2  # the column names follow the header
    seen, groups = {}, {}
    for index, cells in enumerate(rows):
        key = (cells[0].lower(), cells[1].lower())
        if key not in seen:
            seen[key] = index
            continue
        group = groups.setdefault(key, {"object": cells[0], "source": cells[1], "lines": [], "first": index})
        group["lines"].append(first_line + index)
    duplicates = [dict(object=g["object"], source=g["source"], lines=g["lines"], count=len(g["lines"]) + 1)
                  for g in sorted(groups.values(), key=lambda g: g["first"])]
    sources = {}
    for index, cells in enumerate(rows):
        entry = sources.setdefault(cells[1], {"count": 0, "line": first_line + index})
        entry["count"] += 1
    statistics = []
    for column, name in enumerate(names, start=2):
        texts = [cells[column] for cells in rows]
        if "x" in texts:
            statistics.append({"name": name, "values": "invalid"})
            continue
        values = [Fraction(float(text)) for text in texts]
        n = len(values)
        mean = sum(values) / n
        figure = {"name": name, "values": "numbers", "n": n, "mean": mean, "min": min(values), "max": max(values)}
        if n > 1:
            figure["stdErr"] = math.sqrt(sum((v - mean) ** 2 for v in values) / (n - 1) / n)
        statistics.append(figure)
    return {"objects": len(rows), "measurements": len(names), "duplicates": duplicates, "sources": sources,
            "statistics": statistics}


def close(actual, expected, relative):
    return actual is not None and abs(actual - float(expected)) <= relative * max(abs(float(expected)), 1e-300)


def compare_json(name, actual, expected):
    for member in ("objects", "measurements", "duplicates"):
        if actual[member] != expected[member]:
            fail("%s: %s is %r, not %r" % (name, member, actual[member], expected[member]))
    tallies = {entry["value"]: {"count": entry["count"], "line": entry["line"]} for entry in actual["sources"]}
    if tallies != expected["sources"] or len(actual["sources"]) != len(expected["sources"]):
        fail("%s: sources %r, not %r" % (name, actual["sources"], expected["sources"]))
    for got, want in zip(actual["statistics"], expected["statistics"], strict=True):
        if got["name"] != want["name"] or got["values"] != want["values"]:
            fail("%s: measurement %r, not %r" % (name, got, want))
        if want["values"] != "numbers":
            if any(got[k] is not None for k in ("n", "mean", "min", "max", "stdErr")):
                fail("%s: figures of invalid %s: %r" % (name, want["name"], got))
            continue
        exact = got["n"] == want["n"] and got["min"] == float(want["min"]) and got["max"] == float(want["max"])
        if not exact or not close(got["mean"], want["mean"], 1e-13):
            fail("%s: %s figures %r, not %r" % (name, want["name"], got, want))
        if "stdErr" in want and not close(got["stdErr"], want["stdErr"], 1e-9):
            fail("%s: %s stdErr %r, not %r" % (name, want["name"], got["stdErr"], want["stdErr"]))


def compare_tsv(name, row, want):
    """One TSV row: File, Name, Mean, Std_Err, Min, Max; figures shown with 2 decimals
    and at most 6 significant digits."""
    if row[:2] != [name, want["name"]]:
        fail("TSV row %r for %s" % (row, want["name"]))
    if want["values"] != "numbers":
        if row[2:] != ["", "", "", ""]:
            fail("TSV row %r of an invalid measurement" % row)
        return
    figures = [want["mean"], want.get("stdErr"), want["min"], want["max"]]
    for text, figure in zip(row[2:], figures):
        if figure is not None and abs(float(text) - float(figure)) > max(0.005 + 1e-12, 5e-6 * abs(float(figure))):
            fail("TSV row %r: %s is not %r rounded" % (row, text, float(figure)))


def main():
    kvdreport = sys.argv[1]
    rng = random.Random(20261209)
    environment = dict(os.environ, LC_ALL="C.UTF-8")
    with tempfile.TemporaryDirectory() as folder:
        paths, expected = [], []
        for index in range(40):
            path = os.path.join(folder, "file%02d.kvd" % index)
            expected.append(reference(*generate(rng, path)))
            paths.append(path)
        json_run = subprocess.run([kvdreport, "--format=json"] + paths, capture_output=True, env=environment)
        documents = json.loads(json_run.stdout)
        for path, document, want in zip(paths, documents, expected, strict=True):
            compare_json(path, document, want)
        tsv_run = subprocess.run([kvdreport, "--format=tsv"] + paths, capture_output=True, env=environment)
        rows = [line.split("\t") for line in tsv_run.stdout.decode().splitlines()[1:]]
        wanted = [(path, figure) for path, want in zip(paths, expected) for figure in want["statistics"]]
        for row, (path, figure) in zip(rows, wanted, strict=True):
            compare_tsv(path, row, figure)
    print("JSON and TSV of %d files match the reference" % len(paths))


if __name__ == "__main__":
    main()
