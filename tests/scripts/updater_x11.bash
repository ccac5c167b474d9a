# Shared by the click test and ./run (sourced, not run): a private Xvfb, a demo installation
# beside the local update server, the real updater started in it, clicks on the main button's two
# parts found from the window's position and the button's rectangle in the resource script, and
# waits that poll with a deadline. Expects $source_dir, $build_dir and $program to be set.

# Under the sanitizers: the system libraries loaded for X keep a few blocks to the end, with
# stacks from unloaded modules that cannot be suppressed. Leaks of our own code are the unit
# tests' to find.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

x11_work=$(mktemp -d -t pnu-x11.XXXXXX)
x11_pids=()
updater_pid=""
server_pid=""

x11_cleanup() {
    local pid
    for pid in "$updater_pid" "$server_pid" "${x11_pids[@]}"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
    for pid in "$updater_pid" "$server_pid" "${x11_pids[@]}"; do
        [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
    done
    [ -n "${keep_work:-}" ] || rm -rf "$x11_work"
}
trap x11_cleanup EXIT

fail() {
    echo "FAIL: $*"
    if [ -n "${demo:-}" ]; then
        echo "--- log"; read_log || true
        echo "--- requests"; cat "$demo/requests.log" 2>/dev/null || true
        echo "--- updater output"; cat "$demo/updater.out" 2>/dev/null || true
    fi
    exit 1
}

source "$source_dir/tests/scripts/support/wait_for.bash"

# Whether the Xvfb just started has named its display, or has ended.
xvfb_settled() { grep -q '[0-9]' "$x11_work/display" || ! kill -0 "${x11_pids[-1]}"; }

# A display of our own: Xvfb picks a free number and tells it through a descriptor. A server
# started at the same moment as another one's can lose the race for a number and end at once:
# then another is started.
x11_start() {
    local attempt
    for attempt in 1 2 3; do
        : >"$x11_work/display"
        # -noreset: by default the server resets when its last client leaves, and closes a client
        # that connects during the reset (each xdotool call is a client of its own).
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$x11_work/display" \
            >"$x11_work/xvfb.log" 2>&1 &
        x11_pids+=($!)
        wait_for "Xvfb to start" xvfb_settled
        grep -q '[0-9]' "$x11_work/display" && break
    done
    grep -q '[0-9]' "$x11_work/display" || fail "Xvfb did not start: $(cat "$x11_work/xvfb.log")"
    export DISPLAY=":$(tr -dc '0-9' < "$x11_work/display")"
    wait_for "the display" eval "xdotool getdisplaygeometry >/dev/null"
}

read_log() {
    python3 -c 'import sys; print(open(sys.argv[1], "rb").read().decode("utf-16-le").replace("\n\r", "\n"), end="")' \
        "$demo/Pintrel Updater.app/Contents/UpdateResults.log"
}

log_has_line() { read_log | grep -qxF -- "$1"; }

check_log() {
    local got
    got=$(read_log)
    [ "$got" = "$1" ] || fail "unexpected log lines:
$got
--- expected
$1"
}

# A fresh demo installation whose test-mode marker names the server for FORM: a local update
# server answering with that form, a name that does not resolve, or a port nobody listens on.
# For "trickle" the marker also shortens the window of the transfer's floor.
updater_demo() {
    local form=$1 host port
    demo=$(mktemp -d "$x11_work/demo.XXXXXX")
    case "$form" in
        unresolvable) host="no-such-host.invalid"; port=18080 ;;
        refused-connection)
            host=127.0.0.1
            port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
            ;;
        *)
            host=127.0.0.1
            # The package is built once; every demo gets a copy.
            "$source_dir/tools/update-server/make-demo.sh" "$build_dir" "$demo" 0 >/dev/null
            python3 -B "$source_dir/tools/update-server/update_server.py" --reply "$form" --port 0 \
                --port-file "$demo/port" --package "$demo/demo-update.pnu" \
                --release-file "$demo/release" \
                --request-log "$demo/requests.log" >"$demo/server.log" 2>&1 &
            server_pid=$!
            wait_for "the update server" test -s "$demo/port"
            port=$(cat "$demo/port")
            ;;
    esac
    [ -d "$demo/Pintrel Updater.app" ] || "$source_dir/tools/update-server/make-demo.sh" "$build_dir" "$demo" 0 >/dev/null
    printf '%s:%s\n' "$host" "$port" > "$demo/Pintrel Updater.app/Contents/testmode"
    [ "$form" != trickle ] || echo "transfer-window 3" >> "$demo/Pintrel Updater.app/Contents/testmode"
}

# The main button's two parts in window coordinates, from the resource script: the message part
# is the panel inside the button, the quit part what lies right of it.
button_points() {
    python3 - "$source_dir/assets/PNUpdater.mrs" <<'EOF'
import re, sys
widgets = {}
for match in re.finditer(r"widget '\w+' (\d+) \"[^\"]*\" \{(.*?)\n\}", open(sys.argv[1]).read(), re.S):
    values = dict(re.findall(r"^\s*(xpos|ypos|xsiz|ysiz) (-?[0-9.]+)", match.group(2), re.M))
    widgets[int(match.group(1))] = {k: float(v) for k, v in values.items()}
button, panel = widgets[300], widgets[310]
y = button["ypos"] + button["ysiz"] / 2
panel_right = panel["xpos"] + panel["xsiz"]
print(int(button["xpos"] + panel["xpos"] + panel["xsiz"] / 2), int(y),
      int(button["xpos"] + (panel_right + button["xsiz"]) / 2), int(y))
EOF
}

window_of_updater() {
    updater_window=$(xdotool search --onlyvisible --pid "$updater_pid" 2>/dev/null | head -n 1)
    [ -n "$updater_window" ]
}

# The shown window's position on the screen, asked again whenever the window found is gone by the
# time it is asked about.
window_position() {
    window_of_updater || return 1
    local info
    info=$(xwininfo -id "$updater_window" 2>/dev/null) || return 1
    window_x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    window_y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    [ -n "$window_x" ] && [ -n "$window_y" ]
}

# Starts the demo's updater (arguments are its document) and waits until its window is shown and
# its first lines are logged. Launches are recorded in $demo/launches unless record_launches is set
# empty; the updater's programs are then searched in updater_path (default: this script's PATH).
updater_start() {
    rm -f "$demo/launches"
    PNU_HEADLESS=1 SDL_AUDIODRIVER=dummy PNU_RECORD_LAUNCHES="${record_launches-$demo/launches}" \
        PATH="${updater_path:-$PATH}" "$demo/$program" "$@" >"$demo/updater.out" 2>&1 </dev/null &
    updater_pid=$!
    wait_for "the updater to be ready" log_has_line "WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!"
    wait_for "the updater's window" window_position
    local x=$window_x y=$window_y
    read -r mx my qx qy < <(button_points)
    message_point="$((x + mx)) $((y + my))"
    quit_point="$((x + qx)) $((y + qy))"
}

# updater_click message|quit
updater_click() {
    local point
    [ "$1" = message ] && point=$message_point || point=$quit_point
    # No --sync: it never returns when the pointer is already there.
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
}

# Waits for the updater to end and checks that it ended with status 0.
updater_wait_exit() {
    wait_for "the updater to end" eval '! kill -0 "$updater_pid"'
    local status=0
    wait "$updater_pid" || status=$?
    updater_pid=""
    [ "$status" -eq 0 ] || fail "the updater ended with status $status"
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}

# The one request logged: path, every query value in order, HTTP/1.0.
check_request() {
    python3 - "$demo/requests.log" <<'EOF' || fail "unexpected request"
import json, sys
entries = [json.loads(line) for line in open(sys.argv[1])]
assert len(entries) == 1, entries
entry = entries[0]
assert entry["path"] == "/getupdate_v3.php", entry
assert entry["request"].startswith("GET ") and entry["request"].endswith(" HTTP/1.0"), entry
expected = [["lang", "English"], ["version", "2.0.1"], ["buildtype", "OSX"], ["protocol", "4"],
            ["buildstring", "FULL"], ["platform", "OSX"]]
assert entry["query"] == expected, entry["query"]
EOF
}
