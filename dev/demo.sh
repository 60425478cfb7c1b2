#!/usr/bin/env bash
# Installs what is missing, builds the agent and runs it in a working folder of its own
# (dev/run/work), where it looks for App.ini. Under a display the first run asks for the CNPJ;
# without one the agent runs offscreen with a sample App.ini. Stop it with Ctrl+C.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

dev/install-packages.sh
cmake --preset dev
cmake --build --preset dev --target servidor-impressao

work="$root/dev/run/work"
mkdir -p "$work/PDF" "$work/LOG"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    export QT_QPA_PLATFORM=offscreen
    if [[ ! -f "$work/App.ini" ]]; then
        printf '[PARAMETROS]\r\nCNPJ=12345678000190\r\nAPAGAR=N\r\nADOBE=S\r\nSUMATRA=N\r\n' >"$work/App.ini"
    fi
    echo "No display: running offscreen with $work/App.ini."
fi
echo "Agent running in $work (Ctrl+C to stop)."
cd "$work"
exec "$root/build/dev/src/app/servidor-impressao"
