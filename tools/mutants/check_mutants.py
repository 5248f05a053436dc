#!/usr/bin/env python3
"""Checks that the test suite catches a list of deliberate faults (mutants).

Each line of mutants.jsonl names a fault: a text of one engine file ("old", which must occur exactly
once) and what it becomes ("new"), and the test programs that should notice (paths under build/tests,
or "ctest:REGEX" for tests that ctest runs). For each mutant the script applies it, builds what it needs
in the Release tree build/, runs those tests, puts the file back, and prints one JSON line: the id,
whether it was caught and by which tests. Run it from the repository root, after scripts/build.sh, under
a display for the window tests:

    scripts/with-display.sh tools/mutants/check_mutants.py [ID...] > results.jsonl

Before the test suite is cut, every mutant it catches must still be caught afterwards.
"""
import json
import pathlib
import re
import subprocess
import sys
import time

LIST = pathlib.Path(__file__).with_name("mutants.jsonl")


def run_tests(tests):
    """The names of the failing tests (or how a test program ended) for the given test list."""
    failed = []
    for test in tests:
        if test.startswith("ctest:"):
            r = subprocess.run(["ctest", "--test-dir", "build", "-R", test[6:], "--timeout", "300"],
                               capture_output=True, text=True, errors="replace")
            failed += [line.split("-", 1)[1].strip() for line in r.stdout.splitlines()
                       if re.match(r"\s*\d+ - ", line)]
            continue
        program = test.split("/")[-1]
        try:
            r = subprocess.run(["build/tests/" + test, "--gtest_brief=1"], capture_output=True, text=True,
                               errors="replace", timeout=400)
        except subprocess.TimeoutExpired:
            failed.append(program + ": no end within 400 s")
            continue
        names = sorted(set(re.findall(r"\[  FAILED  \] (\S+)", r.stdout)))
        if r.returncode != 0 and not names:
            names = [f"exit {r.returncode}"]
        failed += [program + ": " + name for name in names]
    return failed


def check(mutant):
    path = pathlib.Path(mutant["file"])
    text = path.read_text()
    if text.count(mutant["old"]) != 1:
        return {"id": mutant["id"], "error": "the text to change is not found exactly once"}
    started = time.time()
    path.write_text(text.replace(mutant["old"], mutant["new"]))
    try:
        programs = [t.split("/")[-1] for t in mutant["tests"] if not t.startswith("ctest:")]
        whole = any(t.startswith("ctest:") for t in mutant["tests"])
        build = subprocess.run(["cmake", "--build", "build"] + ([] if whole else ["--target"] + programs),
                               capture_output=True, text=True)
        failed = ["the build failed"] if build.returncode else run_tests(mutant["tests"])
    finally:
        path.write_text(text)
    return {"id": mutant["id"], "caught": bool(failed), "by": failed, "seconds": round(time.time() - started)}


def main(wanted):
    mutants = [json.loads(line) for line in LIST.read_text().splitlines() if line.strip()]
    for mutant in mutants:
        if not wanted or mutant["id"] in wanted:
            print(json.dumps(check(mutant)), flush=True)
    subprocess.run(["cmake", "--build", "build"], capture_output=True)  # the tree as it was


if __name__ == "__main__":
    main(set(sys.argv[1:]))
