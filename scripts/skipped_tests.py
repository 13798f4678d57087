#!/usr/bin/env python3
"""Fails when a test carrying LABEL did not run to its end in a ctest run.

    skipped_tests.py BUILD_DIR JUNIT_FILE LABEL

JUNIT_FILE is what `ctest --output-junit` wrote for the run in BUILD_DIR; a
test of LABEL that was skipped or not run there is named, and the exit code
is 1. A test may say it skipped (GoogleTest's GTEST_SKIP, a Qt test with a
SKIP_REGULAR_EXPRESSION) or ctest may not have started it.
"""
import json
import subprocess
import sys
import xml.etree.ElementTree as ElementTree


def labelled(build, label):
    out = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1", "-L", f"^{label}$"],
                         check=True, capture_output=True, text=True).stdout
    return {test["name"] for test in json.loads(out)["tests"]}


def not_run(junit):
    names = set()
    for case in ElementTree.parse(junit).getroot().iter("testcase"):
        if case.get("status") in ("notrun", "disabled") or case.find("skipped") is not None:
            names.add(case.get("name"))
    return names


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    build, junit, label = sys.argv[1:]
    missed = sorted(labelled(build, label) & not_run(junit))
    if missed:
        print(f"{len(missed)} test(s) labelled {label} did not run:", file=sys.stderr)
        for name in missed:
            print(f"  {name}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
