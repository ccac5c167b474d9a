# Sourced by the window scripts: waits for a state, never for a time. Expects a `fail` function.

# wait_for WHAT COMMAND...: runs the command every 50 ms until it succeeds; fails after 40 s (a
# sanitizer build on a busy two-core machine can be that slow).
wait_for() {
    local what=$1
    shift
    local deadline=$((SECONDS + ${PNU_WAIT_SECONDS:-40}))
    until "$@" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.05
    done
}
