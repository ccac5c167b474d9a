# Sourced by the window scripts: waits for a state, never for a time. Expects a `fail` function.

# A sanitizer build runs several times slower than a normal one: its waits are three times as long.
wait_for_scale=1
if [ -n "${build_dir:-}" ] && grep -qs '^PNU_SANITIZE:BOOL=ON' "$build_dir/CMakeCache.txt"; then
    wait_for_scale=3
fi

# wait_for WHAT COMMAND...: runs the command every 50 ms until it succeeds; fails after a minute
# (three under the sanitizers), which only a state that never comes takes on a busy two-core machine.
wait_for() {
    local what=$1
    shift
    local deadline=$((SECONDS + ${PNU_WAIT_SECONDS:-60} * wait_for_scale))
    until "$@" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out waiting for $what"
        sleep 0.05
    done
}
