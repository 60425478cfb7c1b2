#!/usr/bin/env bash
# The throwaway MariaDB of the tests and the demo: its own data folder under dev/run/mariadb, on
# loopback only, with the dev preset's database, user and password, and the schema of dev/schema.sql.
# Usage: dev/mariadb.sh start|stop|status|reset
#   start   installs mariadb-server when missing, creates the data folder on first use, starts the
#           server (nothing when it already runs) and loads the schema
#   stop    shuts the server down and waits until it has gone
#   status  exits 0 when the server answers
#   reset   stops the server and removes its data folder
# AGENT_DB_PORT, AGENT_DB_NAME, AGENT_DB_USER and AGENT_DB_PASSWORD override the dev preset's values.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wait-for.sh"

port=${AGENT_DB_PORT:-33061}
database=${AGENT_DB_NAME:-impressao_remota}
user=${AGENT_DB_USER:-agente}
password=${AGENT_DB_PASSWORD:-agente-dev}

base="$here/run/mariadb"
data="$base/data"
socket="$base/mariadb.sock"
pidfile="$base/mariadb.pid"
logfile="$base/mariadb.log"

admin() { mariadb-admin --no-defaults --socket="$socket" --user=root "$@"; }
client() { mariadb --no-defaults --socket="$socket" --user=root "$@"; }
answers() { admin --connect-timeout=2 ping >/dev/null 2>&1; }

server_gone() { [[ ! -f "$pidfile" ]] || ! kill -0 "$(cat "$pidfile")" 2>/dev/null; }

start() {
    if ! command -v mariadbd >/dev/null; then
        "$here/install-packages.sh" mariadb-server
    fi
    mkdir -p "$base"
    if answers; then
        load_schema
        return 0
    fi
    if [[ ! -d "$data/mysql" ]]; then
        rm -rf "$data"
        mariadb-install-db --no-defaults --datadir="$data" --user=root \
            --auth-root-authentication-method=normal --skip-test-db >"$base/install.log" 2>&1
    fi
    # setsid: the server outlives whoever started it (a test restarting it, or this shell).
    setsid mariadbd --no-defaults --user=root --datadir="$data" --socket="$socket" \
        --pid-file="$pidfile" --port="$port" --bind-address=127.0.0.1 --skip-log-bin \
        --max-allowed-packet=256M --log-error="$logfile" </dev/null >/dev/null 2>&1 &
    if ! wait_for 300 answers; then
        echo "MariaDB did not start; see $logfile" >&2
        return 1
    fi
    load_schema
    echo "MariaDB on 127.0.0.1:$port (database $database, user $user)"
}

load_schema() {
    client <<SQL
CREATE DATABASE IF NOT EXISTS \`$database\` CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
CREATE USER IF NOT EXISTS '$user'@'localhost' IDENTIFIED BY '$password';
CREATE USER IF NOT EXISTS '$user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'localhost';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'127.0.0.1';
SQL
    client "$database" <"$here/schema.sql"
}

stop() {
    if answers; then
        admin shutdown
    fi
    if ! wait_for 300 server_gone; then
        echo "MariaDB did not stop; see $logfile" >&2
        return 1
    fi
}

case "${1:-}" in
start) start ;;
stop) stop ;;
status) answers ;;
reset)
    stop
    rm -rf "$base"
    ;;
*)
    echo "usage: $0 start|stop|status|reset" >&2
    exit 2
    ;;
esac
