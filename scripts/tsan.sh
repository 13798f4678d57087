#!/usr/bin/env bash
# Builds the work shared out over threads with ThreadSanitizer and runs the
# tests of that path, those labelled threads: the parallel runs of the engine
# and analyze --all with one job and with two. Only the programs those tests
# run are built (scripts/test_targets.py).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
selection=(-L threads)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLA_THREAD_SANITIZE=ON -DVORLA_BUILD_BENCH=OFF
targets=$(python3 scripts/test_targets.py build-tsan "${selection[@]}")
read -r -a targets <<<"$targets"
echo "Building for the tests ${selection[*]}: ${targets[*]}"
cmake --build build-tsan -j"$(nproc)" --target "${targets[@]}"
# Any report fails the test: the program stops with exit code 66.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1"
ctest --test-dir build-tsan --output-on-failure -j"$(nproc)" "${selection[@]}"
