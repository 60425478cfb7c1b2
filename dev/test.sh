#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test, then builds again
# under AddressSanitizer and UndefinedBehaviorSanitizer and runs every test once more.
# Usage: dev/test.sh [ctest arguments, e.g. -L unit]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

dev/install-packages.sh
cmake --preset ci
cmake --build --preset ci
cmake --preset asan
cmake --build --preset asan

# The tests run against the local MariaDB, CUPS and probe listener. Each is started here and
# stopped again at the end unless it was already running; their absence then fails the tests
# instead of skipping them.
started=()
trap 'for service in "${started[@]}"; do dev/$service.sh stop; done' EXIT
for service in mariadb cups probe; do
    dev/$service.sh status >/dev/null 2>&1 || started+=("$service")
    dev/$service.sh start
done
eval "$(dev/cups.sh env)"
export AGENT_DB_REQUIRED=1 AGENT_CUPS_REQUIRED=1

ctest --preset ci --parallel 2 "$@"
ctest --preset asan --parallel 2 "$@"
