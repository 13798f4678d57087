#!/usr/bin/env bash
# Runs the tests of the build tree BUILD that ctest's selection chooses (all
# without one) and fails when a test needing a PostgreSQL server (label pg)
# was skipped, although the others passed:
#   scripts/run-tests.sh BUILD [ctest selection...]   e.g. -LE "gui|recovery"
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
shift
junit="$build/Testing/results.xml"
rm -f "$junit"
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --output-junit "$PWD/$junit" "$@" || status=$?
python3 scripts/skipped_tests.py "$build" "$junit" pg || status=1
exit "$status"
