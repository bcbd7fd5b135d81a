#!/usr/bin/env bash
# A private PostgreSQL cluster for a test run.
#   pg-test.sh start DIR    makes a new cluster in DIR/data, listening on 127.0.0.1 only, on a
#                           free port, and writes its libpq connection string to DIR/servidor;
#   pg-test.sh stop DIR     stops it;  pg-test.sh restart DIR [fast|immediate]  restarts it on the
#                           same port (immediate: as a crash would, without ending the sessions).
# Run as root, the server runs as the unprivileged system user "postgres" (the server package
# makes it), as the server refuses to run as root.
set -euo pipefail
action="$1"
dir="$(realpath -m "$2")"
# PG_BINDIR picks the server's programs (the newest installed by default).
bin="${PG_BINDIR:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)}"
[ -x "$bin/initdb" ] || { echo "PostgreSQL server not installed: no initdb in '$bin' (scripts/deps.sh --tests)" >&2; exit 1; }
as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
# The cluster lives in DIR/data; when the server's user cannot reach DIR (a build folder inside a
# home only root may enter), in a private folder under /tmp that DIR/data then points to.
pgdata() { if [ -L "$dir/data" ]; then readlink "$dir/data"; else echo "$dir/data"; fi; }
running() { [ -f "$(pgdata)/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$(pgdata)" status >/dev/null 2>&1; }
case "$action" in
  start)
    running && as_server "$bin/pg_ctl" -D "$(pgdata)" -m immediate -w stop >/dev/null || true
    [ -L "$dir/data" ] && rm -rf "$(pgdata)"
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then
      chown postgres: "$dir"
      if ! runuser -u postgres -- test -w "$dir"; then
        ln -s "$(mktemp -d /tmp/zembra-pg.XXXXXX)" "$dir/data"
        chown postgres: "$(pgdata)"
      fi
    fi
    data="$(pgdata)"
    as_server "$bin/initdb" -D "$data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    # The port is free when picked, but anything may take it before the server binds it (other
    # test runs start servers too): a server that could not bind starts again on a fresh port.
    # Any other failure is final, reported with the server's log.
    intento=0
    while :; do
      intento=$((intento + 1))
      port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
      antes=$(stat -c %s "$data/server.log" 2>/dev/null || echo 0)
      # The data are thrown away after the run: durability to disk is not what is tested here.
      as_server "$bin/pg_ctl" -D "$data" -l "$data/server.log" -w -t 60 \
        -o "-p $port -h 127.0.0.1 -k $data -c fsync=off -c full_page_writes=off -c max_connections=300" start \
        >/dev/null 2>&1 && break
      nuevo=$(tail -c +"$((antes + 1))" "$data/server.log" 2>/dev/null || true)
      if [ "$intento" -ge 10 ] || ! grep -qiE 'could not (bind|create any TCP/IP sockets)|address already in use' <<<"$nuevo"; then
        echo "The test server did not start (attempt $intento, port $port):" >&2
        printf '%s\n' "$nuevo" >&2
        exit 1
      fi
      echo "Port $port was taken before the server bound it; trying another" >&2
    done
    as_server "$bin/psql" -h 127.0.0.1 -p "$port" -U postgres -d postgres -qAt -c "CREATE DATABASE zembra" >/dev/null
    echo "host=127.0.0.1 port=$port dbname=zembra user=postgres connect_timeout=10" >"$dir/servidor"
    ;;
  stop)
    running && as_server "$bin/pg_ctl" -D "$(pgdata)" -m fast -w stop >/dev/null
    [ -L "$dir/data" ] && rm -rf "$(pgdata)"
    true
    ;;
  restart)
    as_server "$bin/pg_ctl" -D "$(pgdata)" -m "${3:-fast}" -w restart >/dev/null
    ;;
  *) echo "usage: $0 start|stop|restart DIR" >&2; exit 2 ;;
esac
