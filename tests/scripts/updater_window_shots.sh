#!/usr/bin/env bash
# The finished window of the real program, compared pixel for pixel with the golden pictures in
# tests/data/window: at start, after "up to date", with the status lines scrolled by dragging the
# thumb, after a refusal with a download location, part-way through a download, with the install
# message, after the install, and in German. Each comparison is repeated until the window matches
# or the wait runs out, so it waits for the state rather than for a time; the pointer rests on the
# background, so no glow or hover is in the pictures. On the way, the main button glows under a
# pointer moved there absolutely, and a drag whose press the program handles only after the
# pointer has moved on still scrolls by every pixel the pointer moved.
#
# The pictures depend on the fonts of the machine. To make them again (then look at every one
# before committing it):
#     PNU_REGENERATE_GOLDEN=1 bash tests/scripts/updater_window_shots.sh SOURCE_DIR BUILD_DIR
# A failed comparison leaves what the window showed in BUILD_DIR/window-shots.
set -euo pipefail
source "$1/tests/scripts/support/updater_on_x11.bash"
golden_dir="$source_dir/tests/data/window"
shots_dir="$build_dir/window-shots"
mkdir -p "$shots_dir"
x11_start

window_origin() {
    win_x=$(xwininfo -id "$updater_window" | sed -n 's/^ *Absolute upper-left X: *//p')
    win_y=$(xwininfo -id "$updater_window" | sed -n 's/^ *Absolute upper-left Y: *//p')
}

# Takes the window's picture without metadata, so equal pixels give equal files.
grab() { import -window "$updater_window" -strip "png:$1"; }

matches() { grab "$2" && compare -metric AE "$1" "$2" null: 2>/dev/null; }

# Whether the window differs from the golden picture NAME (compare answers 1 for a difference).
differs() {
    local status=0
    grab "$shots_dir/$1-differs.png" || return 1
    compare -metric AE "$golden_dir/$1.png" "$shots_dir/$1-differs.png" null: 2>/dev/null || status=$?
    [ "$status" -eq 1 ]
}

# shot NAME [SETTLE_SECONDS [held]]: the window must match the golden picture NAME. The pointer
# first rests on the background, unless a button is held.
shot() {
    local name=$1 golden="$golden_dir/$1.png"
    [ "${3:-}" = held ] || xdotool mousemove $((win_x + 5)) $((win_y + 5))
    if [ -n "${PNU_REGENERATE_GOLDEN:-}" ]; then
        sleep "${2:-1}"
        grab "$golden"
        echo "wrote $golden"
        return
    fi
    [ -f "$golden" ] || fail "no golden picture $golden"
    wait_for "the window to look like $name.png (got $shots_dir/$name.png)" \
        matches "$golden" "$shots_dir/$name.png"
    rm -f "$shots_dir/$name.png"
}

# A run of the program against the server's FORM, optionally for a product in LANGUAGE.
start_with() {
    local form=$1 language=${2:-}
    updater_demo "$form"
    if [ -n "$language" ]; then
        printf '1 "Local_Current" "%s"\n2 "PBX_InternalBuildString" "FULL|2.0.1"\n3 "PBX_Application" "Pintrel 2"\n' \
            "$language" > "$demo/system.mst"
        python3 -B "$source_dir/tools/rescomp/rescomp.py" strings "$demo/system.mst" \
            -o "$demo/Pintrel 2.app/Contents/Resources/system.msf"
    fi
    updater_start
    window_origin
}

echo "--- start, glow, up to date, scrolled ($SECONDS s)"
start_with uptodate
shot start
if [ -z "${PNU_REGENERATE_GOLDEN:-}" ]; then
    # One absolute move onto the main button, and nothing else: the glow shows, and goes again
    # when the pointer leaves.
    # shellcheck disable=SC2086
    xdotool mousemove $message_point
    wait_for "the main button to glow under the pointer" differs start
    rm -f "$shots_dir/start-differs.png"
    shot start
fi
updater_click message
wait_for "the reply" log_has_line "Your Pintrel 2 is up to date."
shot uptodate
# The thumb rests at the bottom of its track (the newest line shows): drag it half-way up. The
# track lies 6 pixels inside the status frame's right and top edges (the resource script).
thumb_x=$((win_x + 330 + 300 - 6 - 8))
thumb_y=$((win_y + 28 + 6 + 120))
# The program is stopped meanwhile, as a busy machine may hold it: it handles the press only once
# the pointer is already at the end. The button is released only once the table has scrolled (a
# release ends the drag at once).
kill -STOP "$updater_pid"
xdotool mousemove "$thumb_x" "$thumb_y" mousedown 1 mousemove "$thumb_x" $((thumb_y - 20)) \
    mousemove "$thumb_x" $((thumb_y - 40)) || { kill -CONT "$updater_pid"; fail "xdotool could not drag"; }
kill -CONT "$updater_pid"
shot scrolled 1 held
xdotool mouseup 1
shot scrolled
updater_click quit
updater_wait_exit

echo "--- refused with a download location ($SECONDS s)"
start_with refused-location
updater_click message
wait_for "the refusal" log_has_line "The update can be downloaded from http://127.0.0.1/pintrel2/download.html (click the message to open the page)."
shot refused-location
updater_click quit
updater_wait_exit

echo "--- download, install message, installed ($SECONDS s)"
start_with package-slow
updater_click message
wait_for "the download to start" log_has_line "Received response from server, download is ready to begin."
shot downloading 2
touch "$demo/release"
wait_for "the package" log_has_line "Update received. Click the message to install it."
shot install-message
updater_click message
wait_for "the install" log_has_line "The update has been installed."
shot installed
updater_click quit
updater_wait_exit

echo "--- German ($SECONDS s)"
start_with uptodate Deutsch
shot german
updater_click quit
updater_wait_exit
echo "ok ($SECONDS s)"
