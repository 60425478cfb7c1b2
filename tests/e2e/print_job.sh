#!/usr/bin/env bash
# The agent from start to printed job against the local MariaDB, CUPS and probe listener: started
# offscreen in a working folder of its own, it publishes the printers, prints a pending job on its
# CUPS printer byte for byte, marks it printed and ends cleanly on SIGTERM leaving its printer rows;
# then under Xvfb with a tray host, "Fechar API" chosen from the tray menu removes the rows and
# ends it. Usage: print_job.sh <servidor-impressao> <x11-test-tool>
set -uo pipefail
agent=$(realpath "$1")
x11_tool=$(realpath "$2")
source "$(dirname "$0")/common.sh"
require_tools Xvfb xdotool trayer mariadb
require_services

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work_root=$(mktemp -d)
agent_pid=""
xvfb_pid=""
trayer_pid=""
cleanup() {
    for pid in "$agent_pid" "$trayer_pid" "$xvfb_pid"; do
        [[ -n "$pid" ]] && kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work_root"
}
trap cleanup EXIT
export HOME="$work_root/home"
mkdir -p "$HOME"

sql() { mariadb --no-defaults --socket="$root/dev/run/mariadb/mariadb.sock" --user=root \
    --batch --skip-column-names impressao_remota -e "$1"; }
exited() { ! kill -0 "$agent_pid" 2>/dev/null; }
exit_status() { wait "$agent_pid"; echo $?; }

computer=$(hostname | cut -d. -f1 | tr '[:lower:]' '[:upper:]' | cut -c1-15)
# A company of this run's own, so the rows it looks at are only the agent's.
cnpj=$(printf '9%013d' $(( ($$ * 7919 + RANDOM) % 10000000000000 )))
printers_of_agent() { sql "SELECT IMPRESSORA FROM impressoras_remotas WHERE CNPJ='$cnpj' AND COMPUTADOR='$computer' ORDER BY IMPRESSORA" | paste -sd, -; }
prepare() { # prepare FOLDER: a working folder printing through the print action on CUPS
    mkdir -p "$1/PDF" "$1/LOG"
    printf '[PARAMETROS]\r\nCNPJ=%s\r\nAPAGAR=N\r\nADOBE=S\r\nSUMATRA=N\r\n' "$cnpj" >"$1/App.ini"
}
sql "DELETE FROM impressoras_remotas WHERE CNPJ='$cnpj'; DELETE FROM impressoes_remotas WHERE CNPJ='$cnpj'"

echo "== offscreen: a pending job printed, SIGTERM leaves the printer rows"
work="$work_root/offscreen"
prepare "$work"
guid="{E2E$(printf '%05d' $$)-0000-0000-0000-000000000000}"
document="$work_root/documento.pdf"
{ printf '%%PDF-1.4\n%%%s\n' "$guid"; head -c 200000 /dev/urandom | base64; printf '%%%%EOF\n'; } >"$document"
# The statement goes through standard input: the document is too large for a command line.
printf "INSERT INTO impressoes_remotas (GUID, CNPJ, COMPUTADOR, IMPRESSORA, ARQUIVO, IMPRIMIR)
        VALUES ('%s', '%s', '%s', 'Impressora_A', FROM_BASE64('%s'), 'S');" \
    "$guid" "$cnpj" "$computer" "$(base64 -w0 "$document")" |
    mariadb --no-defaults --socket="$root/dev/run/mariadb/mariadb.sock" --user=root impressao_remota
(cd "$work" && QT_QPA_PLATFORM=offscreen exec "$agent") >"$work_root/offscreen.log" 2>&1 &
agent_pid=$!
until_true 20 eval '[[ -n "$(printers_of_agent)" ]]' || fail "the printers were not published"
[[ "$(printers_of_agent)" == "Impressora_A,Impressora_B" ]] || fail "published: $(printers_of_agent)"
printed() { [[ "$(sql "SELECT CONCAT(IMPRIMIR, '/', ISNULL(ARQUIVO)) FROM impressoes_remotas WHERE GUID='$guid'")" == "N/1" ]]; }
until_true 60 printed || fail "the job was not marked printed: $(cat "$work/LOG/AppErro.txt" 2>/dev/null)"
until_true 30 cmp -s "$document" "$root/dev/run/cups/out/Impressora_A.pdf" ||
    fail "the printout on Impressora_A is not the job's document"
cmp -s "$document" "$work/PDF/$guid.pdf" || fail "the spool file is not the job's document"
exited && fail "the agent ended by itself"
kill -TERM "$agent_pid"
until_true 10 exited || fail "SIGTERM did not end the agent"
[[ $(exit_status) == 0 ]] || fail "exit status after SIGTERM was not 0"
agent_pid=""
[[ "$(printers_of_agent)" == "Impressora_A,Impressora_B" ]] || fail "SIGTERM removed the printer rows"

echo "== under a tray host: Fechar API removes the printer rows and ends the agent"
work="$work_root/tray"
prepare "$work"
Xvfb -displayfd 1 -noreset -screen 0 1024x768x24 -nolisten tcp >"$work_root/display" 2>/dev/null &
xvfb_pid=$!
until_true 15 test -s "$work_root/display" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(<"$work_root/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
trayer --edge bottom --align right --widthtype request --height 32 >/dev/null 2>&1 &
trayer_pid=$!
until_true 10 "$x11_tool" tray-ready || fail "the tray host did not start"
(cd "$work" && exec "$agent") >"$work_root/tray.log" 2>&1 &
agent_pid=$!
icon=""
find_icon() { icon=$(xdotool search --onlyvisible --pid "$agent_pid" 2>/dev/null | head -n 1); [[ -n "$icon" ]]; }
until_true 20 find_icon || fail "the tray icon did not appear"
until_true 20 eval '[[ -n "$(printers_of_agent)" ]]' || fail "the printers were not published"
# Right button on the icon opens the menu; Up from its top reaches its last item, "Fechar API".
xdotool mousemove --window "$icon" 8 8 click 3
menu_open() { [[ $(xdotool search --onlyvisible --pid "$agent_pid" 2>/dev/null | wc -l) -ge 2 ]]; }
until_true 10 menu_open || fail "the tray menu did not open"
[[ -n "${AGENT_E2E_SCREENSHOT:-}" ]] && import -window root "$AGENT_E2E_SCREENSHOT"
xdotool key --delay 50 Up Return
until_true 20 exited || fail "Fechar API did not end the agent"
[[ $(exit_status) == 0 ]] || fail "exit status after Fechar API was not 0"
agent_pid=""
[[ -z "$(printers_of_agent)" ]] || fail "Fechar API left the printer rows: $(printers_of_agent)"

sql "DELETE FROM impressoes_remotas WHERE CNPJ='$cnpj'"
if ((failures > 0)); then
    for log in "$work_root"/*.log; do echo "--- $log"; cat "$log"; done
    echo "$failures failure(s)"
    exit 1
fi
echo "print job: all checks passed"
