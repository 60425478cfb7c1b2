# Sourced by the dev/ service scripts.
# wait_for TENTHS COMMAND...: polls until the command succeeds or the deadline (in tenths of a
# second) passes; the command's last answer is the result.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        if "$@"; then
            return 0
        fi
        sleep 0.1
    done
    "$@"
}
