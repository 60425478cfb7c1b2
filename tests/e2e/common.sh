# Sourced by the end-to-end scripts: their shared checks and polling.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# require_tools TOOL...: skips the test (exit 77) when a tool is missing.
require_tools() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            { echo "SKIP: $tool is not installed (dev/install-packages.sh)"; exit 77; }
    done
}

# require_services: the local probe listener, MariaDB and CUPS the agent goes online with. Their
# absence skips the test, or fails it where they are required (dev/test.sh).
require_services() {
    for service in probe mariadb cups; do
        if ! "$root/dev/$service.sh" status >/dev/null 2>&1; then
            [[ -n "${AGENT_DB_REQUIRED:-}" ]] && { echo "FAIL: the local $service is not running"; exit 1; }
            echo "SKIP: the local $service is not running (dev/$service.sh start)"
            exit 77
        fi
    done
    eval "$("$root/dev/cups.sh" env)"
}

# until_true SECONDS COMMAND...: polls the command until it succeeds or the deadline passes.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
