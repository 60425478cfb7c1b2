#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
# Usage: dev/test.sh [ctest arguments, e.g. -L unit]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

dev/install-packages.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci --parallel 2 "$@"
