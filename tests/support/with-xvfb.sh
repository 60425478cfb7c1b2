#!/usr/bin/env bash
# Runs a command against a private Xvfb display with Qt's X11 platform; exits 77 (skipped) when
# Xvfb is not installed. Usage: with-xvfb.sh COMMAND [ARG...]
set -uo pipefail
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed (dev/install-packages.sh)"; exit 77; }
display_file=$(mktemp)
# -displayfd: Xvfb picks a free display and writes its number once it accepts connections.
Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 -nolisten tcp >"$display_file" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -f "$display_file"' EXIT
deadline=$((SECONDS + 15))
until [[ -s "$display_file" ]]; do
    ((SECONDS < deadline)) || { echo "Xvfb did not start"; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(<"$display_file")" QT_QPA_PLATFORM=xcb
# A window manager, as on a desktop: it decides which window gets the focus. AGENT_XVFB_NO_WM=1
# leaves it out, for what must also work on a bare X server.
if [[ -z "${AGENT_XVFB_NO_WM:-}" ]] && command -v openbox >/dev/null; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm_pid=$!
    trap 'kill "$wm_pid" "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -f "$display_file"' EXIT
    deadline=$((SECONDS + 15))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        ((SECONDS < deadline)) || { echo "openbox did not start"; exit 1; }
        sleep 0.1
    done
fi
"$@"
