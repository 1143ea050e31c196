#!/bin/sh
# A throwaway PostgreSQL cluster for the tests, on a Unix socket in a
# temporary folder under /tmp (the server's user must be able to enter it,
# and a socket's path is short). `start STATE` makes and starts it and
# writes its connection string to the file STATE; `stop STATE` stops it and
# removes the folder. Without a server to start, `start` writes the reason
# to STATE.skip and succeeds: the tests that need the server then say why
# they were skipped. initdb refuses to run as root: as root the server runs
# as the postgres user.
set -u
action=$1
state=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
as=""
[ "$(id -u)" -eq 0 ] && as="runuser -u postgres --"

skip() {
    echo "$1" > "$state.skip"
    echo "no test server: $1"
    exit 0
}

case $action in
start)
    rm -f "$state" "$state.skip"
    [ -n "$bin" ] && [ -x "$bin/initdb" ] || skip "PostgreSQL's server programs are not installed (scripts/install-deps.sh installs them)"
    if [ -n "$as" ] && ! id postgres >/dev/null 2>&1; then
        skip "there is no postgres user to run the server as"
    fi
    dir=$(mktemp -d /tmp/tabulo-pg.XXXXXX) || skip "no temporary folder"
    chmod 755 "$dir"
    [ -n "$as" ] && chown postgres "$dir"
    port=54329
    if ! $as "$bin/initdb" -D "$dir/data" --auth=trust --no-sync -E UTF8 --locale=C.UTF-8 -U tabulo \
        > "$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log"
        skip "initdb failed: $(tail -n 1 "$dir/initdb.log")"
    fi
    if ! $as "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o \
        "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=60" \
        start > "$dir/start.log" 2>&1; then
        cat "$dir/start.log" "$dir/server.log"
        skip "the server did not start: $(tail -n 1 "$dir/server.log")"
    fi
    if ! "$bin/createdb" -h "$dir" -p $port -U tabulo tabulo > "$dir/createdb.log" 2>&1; then
        cat "$dir/createdb.log"
        skip "the test database was not made"
    fi
    echo "host=$dir port=$port user=tabulo dbname=tabulo" > "$state"
    echo "$dir" > "$state.dir"
    echo "test server at $dir"
    ;;
stop)
    if [ -f "$state.dir" ]; then
        dir=$(cat "$state.dir")
        $as "$bin/pg_ctl" -D "$dir/data" -m fast -w stop > /dev/null 2>&1
        rm -rf "$dir"
    fi
    rm -f "$state" "$state.dir" "$state.skip"
    ;;
esac
