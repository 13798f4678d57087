#!/usr/bin/env bash
# Fuzzes the parameter reader (and the analysis of what it accepts) with
# libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/fuzz.sh [SECONDS]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
command -v clang++ >/dev/null || { echo "clang++ is needed (apt-get install clang libclang-rt-dev)"; exit 2; }
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLA_SANITIZE=ON \
  -DVORLA_BUILD_FUZZ=ON -DVORLA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target parameter_reader_fuzz
corpus=build-fuzz/corpus
mkdir -p "$corpus"
# Seeds: the demonstration set and the parameter files of the test cases, each
# behind one choice byte.
i=0
for f in data/Parameters.dat tests/acceptance/cases/*/Parameters.dat; do
  [ -f "$f" ] || continue
  { printf '\x05'; cat "$f"; } > "$corpus/seed-$i"
  i=$((i + 1))
done
build-fuzz/bin/parameter_reader_fuzz "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1
