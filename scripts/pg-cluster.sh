#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests.
#
#   pg-cluster.sh start DIR   creates a cluster in DIR (a new folder whose
#                             parent every user may enter, such as /tmp),
#                             starts it and prints its connection URI
#   pg-cluster.sh stop DIR    stops it and removes DIR
#
# The server listens only on a Unix socket in DIR, never on TCP, and runs as
# an unprivileged user (it refuses to run as root): as the calling user, or,
# when that is root, as the user "postgres" (the server package makes it) or
# else "nobody".
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "$0: the PostgreSQL server is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$owner" -- "$@"
  else
    "$@"
  fi
}

if [ "$(id -u)" -eq 0 ]; then
  if id postgres >/dev/null 2>&1; then owner=postgres; else owner=nobody; fi
else
  owner=$(id -un)
fi

case "$command" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown "$owner" "$dir"
    chmod 700 "$dir"
    as_owner "$bindir/initdb" -D "$dir/data" -U vorla -A trust -E UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c max_connections=200" \
      start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    as_owner "$bindir/createdb" -h "$dir" -U vorla vorla
    echo "postgresql:///vorla?host=$dir&user=vorla"
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
