#!/usr/bin/env bash
# The throwaway CUPS of the tests and the demo: its own configuration, spool, cache, state and log
# folders under dev/run/cups, listening only on the socket dev/run/cups/cups.sock, with two
# printers, Impressora_A and Impressora_B, that store each job's PDF unchanged in
# dev/run/cups/out/<printer>.pdf (the passthrough PPD of dev/cups/). Each job overwrites its
# printer's file. The server has no default printer of its own: the default is the user's
# (lpoptions under $HOME).
# Clients reach it with CUPS_SERVER=dev/run/cups/cups.sock (printed by `env`).
# Usage: dev/cups.sh start|stop|status|env|reset
#   start   installs cups when missing, writes the configuration, starts the server (nothing when
#           it already runs) and (re)creates the printers, enabled and accepting jobs
#   stop    stops the server and waits until it has gone
#   status  exits 0 when the server answers
#   env     prints `export CUPS_SERVER=...` for eval
#   reset   stops the server and removes its folder
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wait-for.sh"

base="$here/run/cups"
socket="$base/cups.sock"
pidfile="$base/cupsd.pid"
out="$base/out"
ppd="$here/cups/passthrough.ppd"
printers=(Impressora_A Impressora_B)
export CUPS_SERVER="$socket"

answers() { [[ -S "$socket" ]] && lpstat -r 2>/dev/null | grep -q "is running"; }

server_gone() { [[ ! -f "$pidfile" ]] || ! kill -0 "$(cat "$pidfile")" 2>/dev/null; }

write_configuration() {
    mkdir -p "$base/etc/ppd" "$base/spool/tmp" "$base/cache" "$base/state" "$base/log" "$out"
    # The filters run as the unprivileged user lp: they must reach the spool and the output folder.
    chmod 0755 "$base" "$base/spool" "$out"
    chmod 1777 "$base/spool/tmp"
    cat >"$base/cups-files.conf" <<EOF
ServerRoot $base/etc
RequestRoot $base/spool
TempDir $base/spool/tmp
CacheDir $base/cache
StateDir $base/state
AccessLog $base/log/access_log
ErrorLog $base/log/error_log
PageLog $base/log/page_log
FileDevice Yes
Sandboxing Relaxed
Printcap $base/printcap
EOF
    # Anyone who can reach the socket may administer this server: it serves this machine's tests.
    cat >"$base/cupsd.conf" <<EOF
Listen $socket
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
ErrorPolicy abort-job
PreserveJobHistory Yes
PreserveJobFiles No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
EOF
}

add_printers() {
    for printer in "${printers[@]}"; do
        lpadmin -p "$printer" -E -v "file://$out/$printer.pdf" -P "$ppd"
        cupsenable "$printer"
        cupsaccept "$printer"
    done
}

start() {
    if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
        "$here/install-packages.sh" cups cups-client
    fi
    if ! answers; then
        write_configuration
        # setsid: the server outlives whoever started it (a test, or this shell). `cupsd -l`
        # (launched on demand) does not work here; -f keeps it in the foreground of its session.
        setsid cupsd -f -c "$base/cupsd.conf" -s "$base/cups-files.conf" \
            </dev/null >>"$base/log/cupsd.out" 2>&1 &
        echo $! >"$pidfile"
        if ! wait_for 300 answers; then
            echo "CUPS did not start; see $base/log/error_log" >&2
            return 1
        fi
    fi
    add_printers
    echo "CUPS on $socket (printers ${printers[*]}, output in $out)"
}

stop() {
    if [[ -f "$pidfile" ]] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        kill "$(cat "$pidfile")"
    fi
    if ! wait_for 300 server_gone; then
        echo "CUPS did not stop; see $base/log/error_log" >&2
        return 1
    fi
    rm -f "$pidfile"
}

case "${1:-}" in
start) start ;;
stop) stop ;;
status) answers ;;
env) echo "export CUPS_SERVER=$(printf '%q' "$socket")" ;;
reset)
    stop
    rm -rf "$base"
    ;;
*)
    echo "usage: $0 start|stop|status|env|reset" >&2
    exit 2
    ;;
esac
