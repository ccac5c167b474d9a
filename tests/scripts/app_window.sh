#!/usr/bin/env bash
# End-to-end run of the framework's test application on a real X server (Xvfb): the window opens
# centred at 640 x 240, a click injected with xdotool reaches the panel, the screenshot shows the
# backdrop's image, and the quit command ends the program cleanly.
set -euo pipefail
source_dir=$1
build_dir=$2
app="$build_dir/tools/apptest/pnu_apptest"
work=$(mktemp -d)
shot="$build_dir/app_window.png"

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- application output"; cat "$work/out.log" "$work/err.log" 2>/dev/null; exit 1; }

[ -x "$app" ] || fail "test application not built: $app"

# A free display number.
for display in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
done
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

# Under the sanitizers: the system libraries loaded for X (D-Bus, input methods) keep a few blocks
# to the end, with stacks from unloaded modules that cannot be suppressed. Leaks of our own code
# are the unit tests' to find.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Alerts go to standard error instead of waiting for a person.
PNU_HEADLESS=1 "$app" >"$work/out.log" 2>"$work/err.log" &
app_pid=$!
for _ in $(seq 100); do grep -q '^window ' "$work/out.log" 2>/dev/null && break; sleep 0.1; done
grep -qx 'window 320,392 640x240' "$work/out.log" || fail "window not centred at 640 x 240"
grep -qx "document ''" "$work/out.log" || fail "not started as an open-application launch"

window=$(xdotool search --sync --name 'Pintrel Framework Test' | head -n 1)
geometry=$(xdotool getwindowgeometry "$window")
echo "$geometry"
echo "$geometry" | grep -q 'Position: 320,392' || fail "X reports another position"
echo "$geometry" | grep -q 'Geometry: 640x240' || fail "X reports another size"

# A click on the panel (window point 300,100).
xdotool mousemove 620 492
sleep 0.2
xdotool click 1
for _ in $(seq 50); do grep -q '^click ' "$work/out.log" && break; sleep 0.1; done
grep -qx 'click 300,100' "$work/out.log" || fail "click not delivered at the window point"
sleep 0.3

import -window root "$shot"
pixel() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
background=$(pixel 330 400)
panel=$(pixel 620 492)
outside=$(pixel 100 100)
echo "background $background, panel $panel, outside $outside"
[ "$background" = "srgb(32,96,160)" ] || fail "backdrop background not on screen ($background)"
[ "$panel" = "srgb(32,192,64)" ] || fail "clicked panel not redrawn ($panel)"

# The quit command (Ctrl+Q) ends the program with status 0.
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key ctrl+q
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "quit command did not end the program"; fi
wait "$app_pid" && status=0 || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q '^quit after [0-9]* heartbeats' "$work/out.log" || fail "PrepareToQuit not called"
grep -q '\[alert\]' "$work/err.log" && fail "unexpected alert"
cat "$work/out.log"
echo "screenshot: $shot"
echo "PASS"
