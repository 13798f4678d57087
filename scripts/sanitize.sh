#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer what the tests
# need, and runs them: every test but those labelled gui (the window) and
# recovery (the slow recovery of known parameters). The programs to build
# are those the chosen tests run (scripts/test_targets.py), not the window,
# not the benchmarks. The tests that need a PostgreSQL server run against
# the one VORLA_PG_URI names, or else a throwaway one (scripts/pg-for-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The recovery of known parameters runs in the normal build; here it would
# only repeat the same arithmetic ten times more slowly.
selection=(-LE "gui|recovery")
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVORLA_SANITIZE=ON -DVORLA_BUILD_BENCH=OFF
targets=$(python3 scripts/test_targets.py build-sanitize "${selection[@]}")
read -r -a targets <<<"$targets"
echo "Building for the tests ${selection[*]}: ${targets[*]}"
cmake --build build-sanitize -j"$(nproc)" --target "${targets[@]}"
source scripts/pg-for-tests.sh
bash scripts/run-tests.sh build-sanitize "${selection[@]}"
