# Shared by the scripts that drive the framework's test application on a private X server:
# sourced with the build folder in $build_dir. Sets app, work, fail and cleanup, starts Xvfb (DISPLAY, xvfb_pid) and offers
# start_app, which runs the application headless and waits for its window report.
app="$build_dir/tools/apptest/pnu_apptest"
work=$(mktemp -d)

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- application output"; cat "$work/out.log" "$work/err.log" 2>/dev/null; exit 1; }

source "$(dirname "${BASH_SOURCE[0]}")/wait_for.bash"

[ -x "$app" ] || fail "test application not built: $app"

# Xvfb chooses a free display itself and names it (other test runs on this machine start X
# servers of their own at the same time).
# A server started at the same moment as another can lose the race for a display number and
# end at once: then another is started.
display_named() { [ -s "$work/display" ] || ! kill -0 "$xvfb_pid"; }
display_answers() { xdotool getdisplaygeometry >/dev/null || ! kill -0 "$xvfb_pid"; }
attempts=""
for _ in 1 2 3; do
    rm -f "$work/display"
    # -noreset: by default the server resets when its last client leaves, and closes a client that
    # connects during the reset (each xdotool call is a client of its own).
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for "Xvfb to name its display" display_named
    export DISPLAY=":$(head -n 1 "$work/display" 2>/dev/null)"
    wait_for "the display" display_answers
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    kill "$xvfb_pid" 2>/dev/null || true
    status=0
    wait "$xvfb_pid" 2>/dev/null || status=$?
    attempts+="display '$DISPLAY', Xvfb ended with status $status: $(tail -n 3 "$work/xvfb.log")"$'\n'
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start:
$attempts"

# Under the sanitizers: the system libraries loaded for X (D-Bus, input methods) keep a few blocks
# to the end, with stacks from unloaded modules that cannot be suppressed. Leaks of our own code
# are the unit tests' to find.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Alerts go to standard error instead of waiting for a person.
start_app() {
    PNU_HEADLESS=1 "$app" >"$work/out.log" 2>"$work/err.log" &
    app_pid=$!
    wait_for "the window report" grep -q '^window ' "$work/out.log"
}

# Ctrl+Q ends the program with status 0, without an alert on the way.
app_ended() { ! kill -0 "$app_pid"; }
quit_app() {
    xdotool key ctrl+q
    wait_for "the quit command to end the program" app_ended
    wait "$app_pid" && status=0 || status=$?
    app_pid=
    [ "$status" -eq 0 ] || fail "exit status $status"
    if grep -q '\[alert\]' "$work/err.log"; then fail "unexpected alert"; fi
}
