#!/usr/bin/env bash
# Installs, as root, the Debian packages the project needs that are not installed yet.
# Usage: dev/install-packages.sh [extra package ...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/packages.sh"

wanted=("${AGENT_BUILD_PACKAGES[@]}" "${AGENT_DISPLAY_PACKAGES[@]}" "${AGENT_SERVICE_PACKAGES[@]}" "$@")
missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

read -r source charset name <<<"${AGENT_TEST_LOCALE[*]}"
if ! locale -a 2>/dev/null | grep -qix "$name"; then
    echo "Generating the locale $source.$charset"
    "${sudo_cmd[@]}" localedef -i "$source" -f "$charset" "$source.$charset"
fi
