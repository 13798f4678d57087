#!/usr/bin/env bash
# Builds the libraries, the headless tool and their tests with AddressSanitizer
# and UndefinedBehaviorSanitizer and runs every test but those of the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVORLA_SANITIZE=ON -DVORLA_BUILD_BENCH=OFF
cmake --build build-sanitize -j"$(nproc)"
ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" -LE gui
