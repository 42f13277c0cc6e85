#!/usr/bin/env bash
# A PostgreSQL server of the test suite's own: a cluster in a temporary folder, listening only
# on a socket in that folder (no TCP port), owned by an unprivileged user when run as root.
#
#   postgres_cluster.sh start INFO   makes and starts the cluster; INFO gets its details
#   postgres_cluster.sh stop INFO    stops it and removes its folder
#
# When the server's programs are not installed, start writes no INFO and ends 0, so the
# suite's PostgreSQL tests skip; with QS_REQUIRE_POSTGRES=1 it fails instead.
set -euo pipefail
action=${1:?start or stop}
info=${2:?path of the info file}
bin=${QS_POSTGRES_BIN:-/usr/lib/postgresql/15/bin}
owner=postgres

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u "$owner" -- "$@"; else "$@"; fi
}

stop_cluster() {
    [ -f "$info" ] || return 0
    local dir
    dir=$(sed -n 's/^dir=//p' "$info")
    if [ -n "$dir" ] && [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    [ -n "$dir" ] && rm -rf "$dir"
    rm -f "$info"
}

case "$action" in
stop)
    stop_cluster
    ;;
start)
    stop_cluster
    if [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
        if [ "${QS_REQUIRE_POSTGRES:-0}" = 1 ]; then
            echo "postgres_cluster.sh: no PostgreSQL server programs in $bin (Debian package postgresql)" >&2
            exit 1
        fi
        echo "postgres_cluster.sh: PostgreSQL is not installed; its tests are skipped."
        exit 0
    fi
    if [ "$(id -u)" -eq 0 ] && ! id "$owner" >/dev/null 2>&1; then
        echo "postgres_cluster.sh: running as root, but there is no user '$owner' to own the cluster" >&2
        exit 1
    fi
    # As root the cluster's owner must reach the folder: /tmp, whatever TMPDIR says.
    tmp=${TMPDIR:-/tmp}
    [ "$(id -u)" -eq 0 ] && tmp=/tmp
    dir=$(mktemp -d "$tmp/qs-records-pg-XXXXXX")
    mkdir -p "$dir/socket"
    [ "$(id -u)" -eq 0 ] && chown -R "$owner" "$dir"
    chmod 700 "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -A trust -U qsrecords -E UTF8 --locale=C --no-sync \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; rm -rf "$dir"; exit 1; }
    # Kept in the cluster's own settings, so a test that stops the server starts it the same.
    as_owner tee -a "$dir/data/postgresql.conf" >/dev/null <<CONF
listen_addresses = ''
unix_socket_directories = '$dir/socket'
fsync = off
max_connections = 50
CONF
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start >/dev/null ||
        { cat "$dir/server.log" >&2; rm -rf "$dir"; exit 1; }
    runas=""
    [ "$(id -u)" -eq 0 ] && runas=$owner
    {
        echo "dir=$dir"
        echo "socket=$dir/socket"
        echo "user=qsrecords"
        echo "database=postgres"
        echo "bin=$bin"
        echo "runas=$runas"
    } >"$info"
    echo "postgres_cluster.sh: server on $dir/socket"
    ;;
*)
    echo "postgres_cluster.sh: start or stop" >&2
    exit 2
    ;;
esac
