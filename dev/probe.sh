#!/usr/bin/env bash
# The loopback endpoint of the connectivity probe for the tests and the demo: a TCP listener on
# 127.0.0.1 at the dev preset's probe port that takes every connection and closes it at once
# without sending anything, as a reachable web server looks to the agent's probe.
# Runs socat in the background; its pid is in dev/run/probe/probe.pid.
# Usage: dev/probe.sh start|stop|status
#   start   installs socat when missing and starts the listener (nothing when it already runs)
#   stop    stops the listener and waits until it has gone
#   status  exits 0 when the listener accepts a connection
# AGENT_PROBE_PORT overrides the dev preset's port.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wait-for.sh"

port=${AGENT_PROBE_PORT:-18080}
base="$here/run/probe"
pidfile="$base/probe.pid"
logfile="$base/probe.log"

running() { [[ -f "$pidfile" ]] && kill -0 "$(cat "$pidfile")" 2>/dev/null; }
accepts() { timeout 2 bash -c ": </dev/tcp/127.0.0.1/$port" 2>/dev/null; }
listener_gone() { ! running; }

start() {
    if ! command -v socat >/dev/null; then
        "$here/install-packages.sh" socat
    fi
    mkdir -p "$base"
    if running && accepts; then
        return 0
    fi
    if accepts; then
        echo "127.0.0.1:$port is taken by another program" >&2
        return 1
    fi
    # -U: only the listener's side is written, from /dev/null, so each connection gets end of
    # file at once and is closed; fork serves every connection. setsid: the listener outlives
    # this shell.
    setsid socat -U "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork,backlog=64" \
        OPEN:/dev/null </dev/null >"$logfile" 2>&1 &
    echo $! >"$pidfile"
    if ! wait_for 50 accepts; then
        echo "the probe listener did not start; see $logfile" >&2
        return 1
    fi
    echo "Probe endpoint on 127.0.0.1:$port"
}

stop() {
    if running; then
        kill "$(cat "$pidfile")"
    fi
    if ! wait_for 50 listener_gone; then
        echo "the probe listener did not stop (pid $(cat "$pidfile"))" >&2
        return 1
    fi
    rm -f "$pidfile"
}

case "${1:-}" in
start) start ;;
stop) stop ;;
status) running && accepts ;;
*)
    echo "usage: $0 start|stop|status" >&2
    exit 2
    ;;
esac
