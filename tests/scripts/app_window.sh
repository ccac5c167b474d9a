#!/usr/bin/env bash
# End-to-end run of the framework's test application on a real X server (Xvfb): the window opens
# centred at 640 x 240, a click injected with xdotool reaches the panel, the screenshot shows the
# backdrop's image, and the quit command ends the program cleanly.
set -euo pipefail
source_dir=$1
build_dir=$2
source "$source_dir/tests/scripts/support/apptest_session.sh"
shot="$work/app_window.png"

start_app
grep -qx 'window 320,392 640x240' "$work/out.log" || fail "window not centred at 640 x 240"
grep -qx "document ''" "$work/out.log" || fail "not started as an open-application launch"

window=$(xdotool search --sync --name 'Pintrel Framework Test' | head -n 1)
geometry=$(xdotool getwindowgeometry "$window")
echo "$geometry"
grep -q 'Position: 320,392' <<<"$geometry" || fail "X reports another position"
grep -q 'Geometry: 640x240' <<<"$geometry" || fail "X reports another size"

# A click on the panel (window point 300,100).
xdotool mousemove 620 492 click 1
wait_for "the click report" grep -q '^click ' "$work/out.log"
grep -qx 'click 300,100' "$work/out.log" || fail "click not delivered at the window point"

# The redraw reaches the screen on a later heartbeat: look again until it shows.
pixel() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
redrawn() {
    import -window root "$shot"
    background=$(pixel 330 400)
    panel=$(pixel 620 492)
    [ "$background" = "srgb(32,96,160)" ] && [ "$panel" = "srgb(32,192,64)" ]
}
wait_for "the clicked panel on the screen" redrawn
outside=$(pixel 100 100)
echo "background $background, panel $panel, outside $outside"
[ "$background" = "srgb(32,96,160)" ] || fail "backdrop background not on screen ($background)"
[ "$panel" = "srgb(32,192,64)" ] || fail "clicked panel not redrawn ($panel)"

# The quit command (Ctrl+Q) ends the program with status 0.
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
quit_app
grep -q '^quit after [0-9]* heartbeats' "$work/out.log" || fail "PrepareToQuit not called"
cat "$work/out.log"
cp "$shot" "$build_dir/app_window.png" && echo "screenshot: $build_dir/app_window.png"
echo "PASS"
