# Sourced by the scripts that run the tests. When VORLA_PG_URI names no
# PostgreSQL server, starts a throwaway one (scripts/pg-cluster.sh) and stops
# it when the calling script exits, however it exits; it sets the calling
# script's EXIT trap. VORLA_PG_REQUIRED=1 makes a test that needs the server
# fail, rather than skip, when it finds none.
if [ -z "${VORLA_PG_URI:-}" ]; then
  vorla_pg_dir=$(mktemp -u /tmp/vorla-pg.XXXXXX)
  trap 'bash scripts/pg-cluster.sh stop "$vorla_pg_dir"' EXIT
  VORLA_PG_URI=$(bash scripts/pg-cluster.sh start "$vorla_pg_dir")
  echo "A throwaway PostgreSQL server for the tests: $VORLA_PG_URI"
fi
export VORLA_PG_URI VORLA_PG_REQUIRED=1
