#!/usr/bin/env bash
# The agent from start to printed job on this machine: installs what is missing, starts the local
# MariaDB, CUPS and probe listener, builds, prepares a working folder (dev/run/demo/work) with
# App.ini (a CNPJ, printing through the print action on CUPS), PDF and LOG, starts the agent (on
# the display when there is one, otherwise offscreen), puts a sample PDF job for this computer's
# printer Impressora_A into the database, waits until the agent has marked it printed and says
# where the printout is. The agent then keeps polling; end it with Ctrl+C or "Fechar API". What
# the script started is stopped when the agent ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source dev/wait-for.sh

dev/install-packages.sh
cmake --preset dev
cmake --build --preset dev --target servidor-impressao

started=()
agent_pid=""
finish() {
    [[ -n "$agent_pid" ]] && kill "$agent_pid" 2>/dev/null && wait "$agent_pid" 2>/dev/null
    for service in "${started[@]}"; do dev/$service.sh stop; done
}
trap finish EXIT
for service in mariadb cups probe; do
    dev/$service.sh status >/dev/null 2>&1 || started+=("$service")
    dev/$service.sh start
done
eval "$(dev/cups.sh env)"

demo="$root/dev/run/demo"
work="$demo/work"
cnpj=12345678000190
mkdir -p "$work/PDF" "$work/LOG" "$demo/home"
printf '[PARAMETROS]\r\nCNPJ=%s\r\nAPAGAR=N\r\nADOBE=S\r\nSUMATRA=N\r\n' "$cnpj" >"$work/App.ini"
# The user's default printer lives under HOME: the demo's own, not the real user's.
export HOME="$demo/home"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    export QT_QPA_PLATFORM=offscreen
fi
computer=$(hostname | cut -d. -f1 | tr '[:lower:]' '[:upper:]' | cut -c1-15)

(cd "$work" && exec "$root/build/dev/src/app/servidor-impressao") &
agent_pid=$!
echo "Agent running in $work (computer $computer, CNPJ $cnpj)."

sql() { mariadb --no-defaults --socket="$root/dev/run/mariadb/mariadb.sock" --user=root \
    --batch --skip-column-names impressao_remota -e "$1"; }
published() { [[ -n "$(sql "SELECT 1 FROM impressoras_remotas WHERE CNPJ='$cnpj' AND COMPUTADOR='$computer' AND IMPRESSORA='Impressora_A'")" ]]; }
wait_for 300 published || { echo "The agent did not publish its printers."; exit 1; }
echo "Printers published: $(sql "SELECT GROUP_CONCAT(IMPRESSORA) FROM impressoras_remotas WHERE CNPJ='$cnpj' AND COMPUTADOR='$computer'")"

guid="{$(cat /proc/sys/kernel/random/uuid | tr '[:lower:]' '[:upper:]')}"
sample="$demo/amostra.pdf"
printf '%%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>endobj\ntrailer<</Root 1 0 R>>\n%%%%EOF\n' >"$sample"
sql "INSERT INTO impressoes_remotas (GUID, CNPJ, COMPUTADOR, IMPRESSORA, ARQUIVO, IMPRIMIR)
     VALUES ('$guid', '$cnpj', '$computer', 'Impressora_A', FROM_BASE64('$(base64 -w0 "$sample")'), 'S')"
echo "Job $guid inserted for Impressora_A."
printed() { [[ "$(sql "SELECT IMPRIMIR FROM impressoes_remotas WHERE GUID='$guid'")" == N ]]; }
wait_for 600 printed || { echo "The job was not marked printed; see $work/LOG/AppErro.txt."; exit 1; }
printout="$root/dev/run/cups/out/Impressora_A.pdf"
wait_for 300 cmp -s "$sample" "$printout" || { echo "The printout did not arrive in $printout."; exit 1; }
echo "Job printed: the printout is $printout (the same bytes as $sample)."
echo "The agent keeps polling; Ctrl+C or \"Fechar API\" ends it."
wait "$agent_pid" || true
agent_pid=""
