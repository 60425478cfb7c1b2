#!/usr/bin/env bash
# Puts the operator's windows on a private X screen (Xvfb with a window manager) and saves a PNG of
# each scene in dev/run/screenshots: the notices, the CNPJ dialog and the connection-lost dialog
# (taken at once and again after its first countdown tick).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dev/install-packages.sh imagemagick openbox
cmake --preset dev >/dev/null
cmake --build --preset dev --target operator-showcase
showcase="$root/build/dev/dev/showcase/operator-showcase"
out="$root/dev/run/screenshots"
mkdir -p "$out"

take() { # take SCENE NAME SECONDS-TO-WAIT-FOR-THE-TIMER
    "$showcase" "$1" &
    local pid=$!
    local deadline=$((SECONDS + 15))
    until [[ -n "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null)" ]]; do
        ((SECONDS < deadline)) || { echo "scene $1 did not appear"; kill "$pid"; return 1; }
        sleep 0.1
    done
    sleep "${3:-0.5}" # let the scene settle (and a countdown tick) before the picture
    import -window root "$out/$2.png"
    echo "saved $out/$2.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

export -f take
export showcase out
bash tests/support/with-xvfb.sh bash -c '
    take notices notices
    take cnpj cnpj-dialog
    take connection-lost connection-lost
    take connection-lost connection-lost-after-1s 1.3
'
