#!/bin/sh
# A MariaDB server of the tests' own, in a temporary folder, reached through DIR/sock only.
#   mariadb-server.sh start DIR [mariadbd options...]   makes DIR/data, starts the server, waits for it
#   mariadb-server.sh stop DIR                          ends the server started there, by its process id
# Exits 77 when the server's programs are not installed, so that the callers can skip.
set -eu
command=$1
dir=$2
shift 2
server=$(command -v mariadbd || ls /usr/sbin/mariadbd 2>/dev/null || true)
install=$(command -v mariadb-install-db || true)
client=$(command -v mariadb || true)
if [ -z "$server" ] || [ -z "$install" ] || [ -z "$client" ]; then
    echo "mariadbd, mariadb-install-db or mariadb not found (apt-get install mariadb-server)" >&2
    exit 77
fi
# The server refuses to run as root unless told which user to be.
user=""
[ "$(id -u)" -eq 0 ] && user="--user=root"

case "$command" in
start)
    mkdir -p "$dir"
    "$install" --no-defaults --datadir="$dir/data" --auth-root-authentication-method=normal \
        --skip-test-db $user >"$dir/install.log" 2>&1
    "$server" --no-defaults --datadir="$dir/data" --socket="$dir/sock" --skip-networking \
        --pid-file="$dir/server.pid" --log-error="$dir/server.log" $user "$@" >/dev/null 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 1 300); do
        if "$client" --no-defaults -S "$dir/sock" -u root -e "SELECT 1" >/dev/null 2>&1; then
            exit 0
        fi
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "the test's MariaDB server did not start; its log:" >&2
    cat "$dir/server.log" >&2 || true
    exit 1
    ;;
stop)
    [ -f "$dir/pid" ] || exit 0
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null || exit 0
    for _ in $(seq 1 300); do
        kill -0 "$pid" 2>/dev/null || exit 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    ;;
esac
