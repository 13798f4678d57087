#!/usr/bin/env python3
"""Prints the build targets that the tests chosen by ctest's selection run.

    test_targets.py BUILD_DIR [ctest selection...]   e.g. -L threads, -LE "gui|recovery"

The build tree must be configured; nothing needs to be built. ctest chooses
the tests (by their labels, as it would run them); each test's command names
the programs it runs, which lie in BUILD_DIR/bin under their target's name. A
GoogleTest program not yet built stands in ctest's list as one test
TARGET_NOT_BUILT with the labels of its cases (tests/CMakeLists.txt).
Fails when the selection chooses no test or a test whose program is unknown.
"""
import json
import os
import re
import subprocess
import sys

NOT_BUILT = "_NOT_BUILT"


def chosen_tests(build, selection):
    out = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1", *selection],
                         check=True, capture_output=True, text=True).stdout
    return [(test["name"], test.get("command")) for test in json.loads(out)["tests"]]


def test_commands(build):
    """The command line of every add_test of the project's CMakeLists, by test
    name, as written in the CTestTestfile.cmake files: ctest shows no command
    for a program that is not built yet."""
    commands = {}
    line_pattern = re.compile(r"^add_test\(\[=\[(.*?)\]=\] (.*)\)$")
    for folder, _, files in os.walk(build):
        if "CTestTestfile.cmake" not in files:
            continue
        with open(os.path.join(folder, "CTestTestfile.cmake"), encoding="utf-8") as testfile:
            for line in testfile:
                match = line_pattern.match(line.rstrip("\n"))
                if match:
                    commands[match.group(1)] = match.group(2)
    return commands


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    selection = sys.argv[2:]
    tests = chosen_tests(build, selection)
    if not tests:
        sys.exit(f"test_targets.py: ctest {' '.join(selection)} chooses no test in {build}")
    written = test_commands(build)
    program = re.compile(re.escape(os.path.join(build, "bin")) + r"/([A-Za-z0-9_.+-]+)")
    targets = set()
    for name, command in tests:
        if name.endswith(NOT_BUILT):
            targets.add(name[: -len(NOT_BUILT)])
            continue
        if command:
            command = " ".join(command)
        elif name in written:
            command = written[name]
        else:
            sys.exit(f"test_targets.py: the command of test {name} is not in the build tree")
        # A test may run no program of the build (a script over the sources).
        targets.update(program.findall(command))
    print(" ".join(sorted(targets)))


if __name__ == "__main__":
    main()
