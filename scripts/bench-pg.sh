#!/usr/bin/env bash
# Times `vorla-cli analyze --all` on ROWS fully scored cases (default 10000)
# with the case table in the SQLite file and on a PostgreSQL server over its
# Unix socket: the server VORLA_PG_URI names, or else a throwaway one.
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-10000}
cli=build/bin/vorla-cli
[ -x "$cli" ] || { echo "build first: bash scripts/test.sh"; exit 2; }
dir=$(mktemp -d)
pgdir=$(mktemp -u /tmp/vorla-pg.XXXXXX)
trap 'bash scripts/pg-cluster.sh stop "$pgdir"; rm -rf "$dir"' EXIT
uri=${VORLA_PG_URI:-$(bash scripts/pg-cluster.sh start "$pgdir")}
schema="bench_$$"
PGOPTIONS="-c client_min_messages=warning" psql -q "$uri" -c "DROP SCHEMA IF EXISTS $schema CASCADE; CREATE SCHEMA $schema"
sep='?'; case "$uri" in *\?*) sep='&' ;; esac
server="$uri${sep}options=-c%20search_path%3D$schema"
mkdir "$dir/file" "$dir/server"
cp build/bin/Parameters.dat "$dir/file/"
cp build/bin/Parameters.dat "$dir/server/"
python3 scripts/make_bench_cases.py "$rows" "$dir/cases.csv"
run() {  # label, then the arguments that choose the table
  local label=$1 folder=$2
  shift 2
  "$cli" "$@" import --dir "$folder" "$dir/cases.csv" > /dev/null
  local start end
  start=$(date +%s.%N)
  "$cli" "$@" analyze --dir "$folder" --all --format csv > "$folder/out.csv" || true
  end=$(date +%s.%N)
  python3 -c "import sys; print('analyze --all on %s rows, %s: %.1f s' % (sys.argv[1], sys.argv[2], float(sys.argv[4]) - float(sys.argv[3])))" \
    "$rows" "$label" "$start" "$end"
}
run "SQLite file" "$dir/file"
run "PostgreSQL on its Unix socket" "$dir/server" --db "$server"
cmp "$dir/file/out.csv" "$dir/server/out.csv" && echo "the same results on both"
cmp "$dir/file/TATree.txt" "$dir/server/TATree.txt" && echo "the same trace on both"
PGOPTIONS="-c client_min_messages=warning" psql -q "$uri" -c "DROP SCHEMA $schema CASCADE"
