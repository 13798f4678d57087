#!/usr/bin/env bash
# Installs what is missing, builds VORLA and starts the window on a fresh
# demonstration folder (demo/): the demonstration parameter set, the blank
# score form and ten example skeletons. Without a display it analyses them headless instead.
# Only what it runs is built: the two programs, the data beside them and the
# form (made by vorla-cli); a build/ made here has no tests and benchmarks,
# which scripts/test.sh adds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh demo
options=()
[ -f build/CMakeCache.txt ] || options=(-DVORLA_BUILD_TESTS=OFF -DVORLA_BUILD_BENCH=OFF)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build build -j"$(nproc)" --target vorla vorla-cli vorla_data

demo=demo
rm -rf "$demo"
mkdir -p "$demo"
cp build/bin/Parameters.dat "build/bin/Transition Analysis Score Form.pdf" "$demo/"
build/bin/vorla-cli import --dir "$demo" data/examples.csv
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting VORLA on $demo: accept the notice, pick a case and press Analyze (F8)."
  exec build/bin/vorla --dir "$demo"
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): analysing $demo without the window."
status=0
build/bin/vorla-cli analyze --dir "$demo" --all || status=$?
build/bin/vorla-cli report --dir "$demo" --all --out "$demo/reports" --chart png || status=$?
echo "The case table is $demo/TAData.db; the trace of the last analysis is $demo/TATree.txt;"
echo "one-page reports and charts are in $demo/reports."
echo "Try: build/bin/vorla-cli analyze --dir $demo --name 'DEMO-03 old individual' --level 99 --format json"
exit $status
