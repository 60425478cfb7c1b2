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
# The database tests run against the local MariaDB: start it (stopping it again afterwards when
# it was not already running) and make its absence a failure rather than a skip.
if ! dev/mariadb.sh status; then
    trap 'dev/mariadb.sh stop' EXIT
fi
dev/mariadb.sh start
export AGENT_DB_REQUIRED=1
ctest --preset ci --parallel 2 "$@"
ctest --preset asan --parallel 2 "$@"
