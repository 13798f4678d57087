#!/usr/bin/env bash
# Builds the core libraries and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs those tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVORLA_SANITIZE=ON -DVORLA_BUILD_BENCH=OFF
cmake --build build-sanitize -j"$(nproc)"
ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" -L core
