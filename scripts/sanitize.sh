#!/usr/bin/env bash
# Builds the libraries, the headless tool and their tests with AddressSanitizer
# and UndefinedBehaviorSanitizer and runs every test but those of the window
# and the slow recovery test (those that need a PostgreSQL server run when
# VORLA_PG_URI names one, as in CI).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVORLA_SANITIZE=ON -DVORLA_BUILD_BENCH=OFF
# Only what the tests below need: not the window, not the benchmarks.
cmake --build build-sanitize -j"$(nproc)" --target vorla-cli engine_tests store_tests params_tests calib_tests calib_recovery_tests \
  calib_probability_tests cli_ask_tests \
  cli_report_tests cli_result_report_tests cli_own_traits_tests cli_mutation_tests cli_refusal_tests \
  params_thread_tests cli_postgres_tests
# The recovery of known parameters runs in the normal build; here it would
# only repeat the same arithmetic ten times more slowly.
ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" -LE "gui|recovery"
