#!/usr/bin/env python3
"""Reads Google Benchmark JSON output (one or more documents per program, as scripts/bench.sh collects
them) and prints one Markdown table: work, engine, reference, ratio, goal.

A benchmark joins the table through its label (state.SetLabel, see bench/compare.h): one or more rows
separated by "|", each a list of key=value pairs separated by ";":
    work=TEXT     what the row measures (default: the benchmark's name)
    ref=NAME      the reference benchmark of the same program, by name without /real_time,
                  /manual_time or /iterations:N
    goal=TEXT     the goal; a plain number is a ratio that the row must reach
    per=COUNTER   compare time per unit of this counter (e.g. nodes expanded) instead of per iteration
The ratio is reference time / engine time, so above 1 the engine is faster. Both sides are timed by
wall clock when either is a real- or manual-time benchmark, else by CPU time.
Usage: bench_table.py RESULT.json...  (each file the standard output of one benchmark program)
"""
import json
import re
import sys

DECORATION = re.compile(r"/(real_time|manual_time|iterations:\d+|repeats:\d+|min_time:[0-9.e+-]+s?)")
SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def documents(text):
    decoder = json.JSONDecoder()
    at = 0
    while True:
        start = text.find("{", at)
        if start < 0:
            return
        try:
            doc, at = decoder.raw_decode(text, start)
        except json.JSONDecodeError:
            at = start + 1
            continue
        if isinstance(doc, dict) and "benchmarks" in doc:
            yield doc


def plain_name(name):
    return DECORATION.sub("", name)


def wall_clock(run):
    return "/real_time" in run["name"] or "/manual_time" in run["name"]


def seconds(run, wall):
    return run["real_time" if wall else "cpu_time"] * SECONDS[run.get("time_unit", "ns")]


def shown(run, wall):
    if "bytes_per_second" in run:
        return f"{run['bytes_per_second'] / 1e6:.0f} MB/s"
    return duration(seconds(run, wall))


def duration(t):
    for unit, scale in (("s", 1), ("ms", 1e-3), ("µs", 1e-6)):
        if t >= scale:
            return f"{t / scale:.3g} {unit}"
    return f"{t / 1e-9:.3g} ns"


def rows(paths):
    """The table rows of one program, whose results may be spread over several files."""
    text = ""
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as f:
            text += f.read()
    runs = [r for doc in documents(text) for r in doc["benchmarks"]
            if r.get("run_type") != "aggregate" or r.get("aggregate_name") == "median"]
    for r in runs:  # a repeated benchmark is represented by its median
        if r.get("run_type") == "aggregate":
            r["name"] = r["run_name"]
    by_name = {plain_name(r["name"]): r for r in runs}
    for run in runs:
        for row_text in filter(None, run.get("label", "").split("|")):
            keys = dict(part.split("=", 1) for part in row_text.split(";") if "=" in part)
            if not keys:
                continue
            work = keys.get("work", plain_name(run["name"]))
            goal = keys.get("goal", "—")
            ref = by_name.get(keys.get("ref", ""))
            if "ref" in keys and ref is None:
                yield work, shown(run, wall_clock(run)), f"missing: {keys['ref']}", "—", goal
                continue
            if ref is None:
                yield work, shown(run, wall_clock(run)), "—", "—", goal
                continue
            wall = wall_clock(run) or wall_clock(ref)
            mine, theirs = seconds(run, wall), seconds(ref, wall)
            per = keys.get("per")
            if per and run.get(per) and ref.get(per):
                mine, theirs = mine / run[per], theirs / ref[per]
            ratio = theirs / mine if mine > 0 else float("inf")
            mark = ""
            try:
                mark = " ✓" if ratio >= float(goal) else " ✗"
                goal = f"≥ {goal}×"
            except ValueError:
                pass
            if per:
                yield work, f"{duration(mine)} per {per.rstrip('s')}", f"{duration(theirs)} per {per.rstrip('s')}", f"{ratio:.2f}×{mark}", goal
            else:
                yield work, shown(run, wall), shown(ref, wall), f"{ratio:.2f}×{mark}", goal


def main():
    print("| work | engine | reference | ratio | goal |")
    print("|---|---|---|---|---|")
    programs = {}  # a program's results: PROGRAM.json and files it adds as PROGRAM.json.*
    for path in sys.argv[1:]:
        programs.setdefault(path.split(".json")[0], []).append(path)
    for paths in programs.values():
        for row in rows(paths):
            print("| " + " | ".join(row) + " |")


if __name__ == "__main__":
    main()
