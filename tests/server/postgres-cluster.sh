#!/usr/bin/env bash
# A private PostgreSQL cluster for tests: `start DIR` creates one in DIR,
# listening only on a Unix socket there, and prints its connection string;
# `stop DIR` stops it. PostgreSQL refuses to run as root, so under root
# (as in CI) the cluster belongs to an unprivileged user.
set -euo pipefail
action=$1 dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)

as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env -- "$@"
    else
        "$@"
    fi
}

case "$action" in
start)
    mkdir -p "$dir"
    [[ $(id -u) -eq 0 ]] && chown nobody:nogroup "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U scribeon --auth=trust -E UTF8 --locale=C.UTF-8 \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=on -c max_connections=200" \
        >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "host=$dir user=scribeon dbname=postgres"
    ;;
stop)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
