#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# The tests that need a PostgreSQL server run against the one VORLA_PG_URI
# names, or else a throwaway one that this script starts and stops
# (scripts/pg-for-tests.sh); the run fails if any of them was skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The tests and benchmarks are built even where the demonstration
# (scripts/demo.sh) configured build/ without them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLA_BUILD_TESTS=ON -DVORLA_BUILD_BENCH=ON
cmake --build build -j"$(nproc)"
source scripts/pg-for-tests.sh
bash scripts/run-tests.sh build
