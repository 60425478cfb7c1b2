#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
# Usage: dev/test.sh [ctest arguments, e.g. -L unit]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

dev/install-packages.sh
cmake --preset ci
cmake --build --preset ci
# The database tests run against the local MariaDB: start it (stopping it again afterwards when
# it was not already running) and make its absence a failure rather than a skip.
if ! dev/mariadb.sh status; then
    trap 'dev/mariadb.sh stop' EXIT
fi
dev/mariadb.sh start
export AGENT_DB_REQUIRED=1
ctest --preset ci --parallel 2 "$@"
