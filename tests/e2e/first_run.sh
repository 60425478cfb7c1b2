#!/usr/bin/env bash
# The agent's first run under a real X server, from an empty working folder that is not the
# program's folder: the prompt, the CNPJ dialog typed into and closed both ways, the settings file
# written (or not), and a clean exit on SIGTERM or at the fatal end message.
# Usage: first_run.sh <servidor-impressao> <x11-test-tool>
set -uo pipefail
agent=$(realpath "$1")
x11_tool=$(realpath "$2")
title='Servidor de impressão remota'
dialog='Informe o CNPJ'

source "$(dirname "$0")/common.sh"
require_tools Xvfb xdotool xwininfo trayer
# After the CNPJ, start-up goes online: the probe, the database and the printer list.
require_services

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work_root=$(mktemp -d)
# Xvfb picks a free display number and writes it once it accepts connections; -noreset keeps
# it from restarting (and refusing connections) whenever its last client leaves.
Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 -nolisten tcp >"$work_root/display" 2>/dev/null &
xvfb_pid=$!
agent_pid=""
trayer_pid=""
cleanup() {
    [[ -n "$agent_pid" ]] && kill -9 "$agent_pid" 2>/dev/null
    [[ -n "$trayer_pid" ]] && kill -9 "$trayer_pid" 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work_root"
}
trap cleanup EXIT

until_true 15 test -s "$work_root/display" || { echo "FAIL: Xvfb did not start"; exit 1; }
# The user's CUPS settings (the default printer) stay in the test's folder.
export HOME="$work_root/home"
mkdir -p "$HOME"
export DISPLAY=":$(<"$work_root/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [[ -n "$(window_id "$1")" ]]; }
no_window() { ! has_window "$1"; }
# --sync waits for the focus without a limit of its own; a window that vanished must not hang us.
focus() { [[ -n "$1" ]] && timeout 5 xdotool windowfocus --sync "$1"; }
# press_in TITLE KEYS...: focuses the window with that exact title and types real key strokes.
press_in() {
    local id
    id=$(window_id "$1"); shift
    focus "$id" && xdotool key --delay 30 "$@"
}
# type_in TITLE TEXT: the button "Entrar" has the focus first, so Tab leads to the entry.
type_in() {
    local id
    id=$(window_id "$1")
    focus "$id" && xdotool key Tab && xdotool type --delay 30 "$2"
}
exited() { ! kill -0 "$agent_pid" 2>/dev/null; }
exit_status() { wait "$agent_pid"; echo $?; }

# start_agent FOLDER: runs the agent with FOLDER as its working directory.
start_agent() {
    (cd "$1" && exec "$agent") >"$1.log" 2>&1 &
    agent_pid=$!
}

# A box is dismissed; then the next thing must appear.
dismiss_box() {
    until_true 20 has_window "$title" || { fail "$1: the message box did not appear"; return 1; }
    press_in "$title" Return
    until_true 10 no_window "$title" || { fail "$1: the message box did not close"; return 1; }
}

echo "== fourteen digits through Entrar"
work="$work_root/accepted"; mkdir -p "$work"
start_agent "$work"
dismiss_box "ask" &&
    until_true 20 has_window "$dialog" || fail "the CNPJ dialog did not appear"
type_in "$dialog" "00123456000191"
press_in "$dialog" Return
until_true 10 no_window "$dialog" || fail "Entrar did not close the dialog"
dismiss_box "configured"
until_true 10 test -f "$work/App.ini" || fail "App.ini was not written"
expected=$'[PARAMETROS]\r\nCNPJ=00123456000191\r\nAPAGAR=N\r\nADOBE=N\r\nSUMATRA=S\r\n'
[[ "$(cat "$work/App.ini")"$'\n' == "$expected" ]] || fail "App.ini holds: $(od -c "$work/App.ini" | head)"
exited && fail "the agent ended after a successful capture"
kill -TERM "$agent_pid"
until_true 10 exited || fail "SIGTERM did not end the agent"
[[ $(exit_status) == 0 ]] || fail "exit status after SIGTERM was not 0"
agent_pid=""

echo "== thirteen digits and Entrar keep the dialog open; ten digits and the close box end the agent"
work="$work_root/rejected"; mkdir -p "$work"
start_agent "$work"
dismiss_box "ask"
until_true 20 has_window "$dialog" || fail "the CNPJ dialog did not appear"
type_in "$dialog" "1234567890123"
press_in "$dialog" Return
dismiss_box "incorrect"
has_window "$dialog" || fail "the dialog closed on 13 digits"
press_in "$dialog" BackSpace BackSpace BackSpace
"$x11_tool" close "$(window_id "$dialog")" || fail "could not ask the dialog to close"
until_true 10 no_window "$dialog" || fail "the close box did not close the dialog"
dismiss_box "end"
until_true 10 exited || fail "the agent did not end after the end message"
[[ $(exit_status) == 0 ]] || fail "exit status after the end message was not 0"
agent_pid=""
[[ -e "$work/App.ini" ]] && fail "App.ini was written for a rejected entry"

echo "== a configured CNPJ shows only the tray icon"
work="$work_root/configured"; mkdir -p "$work"
printf '[PARAMETROS]\r\nCNPJ=12345678000190\r\n' >"$work/App.ini"
# A notification area for the icon to live in.
trayer --edge bottom --align right --widthtype request --height 32 >/dev/null 2>&1 &
trayer_pid=$!
until_true 10 "$x11_tool" tray-ready || fail "the tray host did not start"
start_agent "$work"
agent_windows() { xdotool search --onlyvisible --pid "$agent_pid" 2>/dev/null; }
# Start-up is over once the icon is in the tray: any box of start-up would be mapped before.
until_true 20 eval '[[ -n "$(agent_windows)" ]]' || fail "the tray icon did not appear"
windows=$(agent_windows)
[[ $(wc -l <<<"$windows") == 1 ]] || fail "more than the tray icon is shown: $windows"
read -r width height < <(xwininfo -id "$(head -n 1 <<<"$windows")" |
    awk '/Width/{w=$NF} /Height/{h=$NF} END{print w, h}')
((width <= 64 && height <= 64)) || fail "the only window is not a tray icon (${width}x${height})"
[[ "$(xdotool getwindowname "$(head -n 1 <<<"$windows")")" == "$title" ]] || fail "the tray icon is not titled '$title'"
exited && fail "the agent ended with a configured CNPJ"
kill -INT "$agent_pid"
until_true 10 exited || fail "SIGINT did not end the agent"
[[ $(exit_status) == 0 ]] || fail "exit status after SIGINT was not 0"
agent_pid=""
kill "$trayer_pid" 2>/dev/null

if ((failures > 0)); then
    for log in "$work_root"/*.log; do echo "--- $log"; cat "$log"; done
    echo "$failures failure(s)"
    exit 1
fi
echo "first run: all checks passed"
