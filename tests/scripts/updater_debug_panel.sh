#!/usr/bin/env bash
# The developer's debugging panel in the real updater on a real X server (Xvfb): Ctrl+Shift with
# a press on the main button flashes it, Alt held at the release opens the panel over the window,
# Escape closes it again, and the updater then goes on working: a click checks for updates and
# the quit part ends it with status 0.
set -euo pipefail
source "$1/tests/scripts/support/updater_on_x11.bash"
command -v import >/dev/null || fail "ImageMagick's import is not installed"
x11_start
updater_demo uptodate
updater_start

wx=$window_x
wy=$window_y
# A point of the panel's own fill, left of its note (window point 25,125), and the fill's colour.
probe_x=$((wx + 25))
probe_y=$((wy + 125))
panel_fill="srgb(160,160,184)"
probe() {
    import -window root "$x11_work/shot.png"
    convert "$x11_work/shot.png" -format "%[pixel:p{$probe_x,$probe_y}]" info:
}
probe_is() { [ "$(probe)" = "$1" ]; }
probe_is_not() { [ "$(probe)" != "$1" ]; }

before=$(probe)
[ "$before" != "$panel_fill" ] || fail "the window shows the panel's colour before the panel"

# The gesture over the main button: Ctrl+Shift held with the press until the button flashes (dark
# and light in turn), Alt added before the release, every key held until the panel shows.
read -r mx my < <(echo "$message_point")
flash_probe() {
    import -window root "$x11_work/shot.png"
    convert "$x11_work/shot.png" -format "%[pixel:p{$mx,$my}]" info:
}
flashing() { case "$(flash_probe)" in "srgb(64,64,48)" | "srgb(160,160,184)") ;; *) return 1 ;; esac; }
xdotool mousemove "$mx" "$my" keydown ctrl keydown shift mousedown 1
wait_for "the main button to flash" flashing
xdotool keydown alt mouseup 1
wait_for "the panel to show" probe_is "$panel_fill"
xdotool keyup alt keyup shift keyup ctrl

xdotool windowfocus "$updater_window" 2>/dev/null || true
xdotool key Escape
wait_for "the panel to close" probe_is_not "$panel_fill"
wait_for "the window to come back as it was (was $before)" probe_is "$before"

# The updater goes on: the check runs and the quit part ends it cleanly.
updater_click message
wait_for "the check" log_has_line "Your Pintrel 2 is up to date."
updater_click quit
updater_wait_exit
if grep -q '\[alert\]' "$demo/updater.out"; then fail "unexpected alert: $(grep '\[alert\]' "$demo/updater.out")"; fi
echo "ok"
