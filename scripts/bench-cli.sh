#!/usr/bin/env bash
# Times `vorla-cli analyze --all` on ROWS fully scored cases (default 10000):
# every one of the 19 traits scored on both sides, with the demonstration
# parameter set; gives the peak memory of import, analyze and export; then
# times `vorla-cli report --all` with PNG charts on the first REPORT_ROWS
# cases (default 200) and gives the time per report.
# Usage: scripts/bench-cli.sh [ROWS] [REPORT_ROWS] [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-10000}
report_rows=${2:-200}
jobs=${3:-}
cli=${VORLA_CLI:-$PWD/build/bin/vorla-cli}
[ -x "$cli" ] || { echo "build first: bash scripts/test.sh"; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (GNU time) for the peak memory"; exit 2; }
jobs_option=()
if [ -n "$jobs" ]; then jobs_option=(--jobs "$jobs"); fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
make_cases() {
python3 scripts/make_bench_cases.py "$1" "$2"
}
# Runs the command under GNU time, its output into the file OUT; prints the
# label, the wall time, the processor time (user and system, all threads;
# on a busy machine the wall time says little) and the peak memory.
measure() {
  local label=$1 output=$2; shift 2
  /usr/bin/time -f "%e %U %S %M" -o "$dir/time.txt" "$@" > "$output"
  read -r seconds user system kib < "$dir/time.txt"
  python3 -c "import sys; print('%-44s %8.2f s  cpu %8.2f s  peak %7.1f MiB' % (sys.argv[1], float(sys.argv[2]), float(sys.argv[3]) + float(sys.argv[4]), int(sys.argv[5]) / 1024))" \
    "$label" "$seconds" "$user" "$system" "$kib"
}
mkdir "$dir/run" "$dir/report"
cp "$(dirname "$cli")/Parameters.dat" "$dir/run/"
cp "$(dirname "$cli")/Parameters.dat" "$dir/report/"
make_cases "$rows" "$dir/cases.csv"
measure "vorla-cli import of $rows rows" /dev/null "$cli" import --dir "$dir/run" "$dir/cases.csv"
measure "vorla-cli analyze --all on $rows rows" "$dir/out.csv" "$cli" analyze --dir "$dir/run" --all --format csv "${jobs_option[@]}"
measure "vorla-cli export of $rows rows" /dev/null "$cli" export --dir "$dir/run" "$dir/export.csv"
make_cases "$report_rows" "$dir/report-cases.csv"
"$cli" import --dir "$dir/report" "$dir/report-cases.csv" > /dev/null
"$cli" analyze --dir "$dir/report" --all > /dev/null
for chart in none png; do
  chart_option=()
  if [ "$chart" = png ]; then chart_option=(--chart png); fi
  start=$(date +%s.%N)
  "$cli" report --dir "$dir/report" --all --out "$dir/reports-$chart" "${chart_option[@]}" "${jobs_option[@]}" > /dev/null
  end=$(date +%s.%N)
  python3 -c "import sys; print('vorla-cli report --all, chart %s: %.2f ms per case (%s cases)' % (sys.argv[1], (float(sys.argv[3]) - float(sys.argv[2])) * 1000 / int(sys.argv[4]), sys.argv[4]))" \
    "$chart" "$start" "$end" "$report_rows"
done
