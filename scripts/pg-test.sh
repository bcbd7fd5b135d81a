#!/usr/bin/env bash
# A private PostgreSQL cluster for a test run.
#   pg-test.sh start DIR    makes a new cluster in DIR/data, listening on 127.0.0.1 only, on a
#                           free port, and writes its libpq connection string to DIR/servidor;
#   pg-test.sh stop DIR     stops it;  pg-test.sh restart DIR  restarts it on the same port.
# Run as root, the server runs as the unprivileged system user "postgres" (the server package
# makes it), as the server refuses to run as root.
set -euo pipefail
action="$1"
dir="$(realpath -m "$2")"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)"
[ -x "$bin/initdb" ] || { echo "PostgreSQL server not installed (scripts/deps.sh --tests)" >&2; exit 1; }
as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
running() { [ -f "$dir/data/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; }
case "$action" in
  start)
    running && as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null || true
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    as_server "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    # The data are thrown away after the run: durability to disk is not what is tested here.
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-p $port -h 127.0.0.1 -k $dir -c fsync=off -c full_page_writes=off -c max_connections=300" start >/dev/null
    as_server "$bin/psql" -h 127.0.0.1 -p "$port" -U postgres -d postgres -qAt -c "CREATE DATABASE zembra" >/dev/null
    echo "host=127.0.0.1 port=$port dbname=zembra user=postgres connect_timeout=10" >"$dir/servidor"
    ;;
  stop)
    running && as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
  restart)
    as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w restart >/dev/null
    ;;
  *) echo "usage: $0 start|stop|restart DIR" >&2; exit 2 ;;
esac
