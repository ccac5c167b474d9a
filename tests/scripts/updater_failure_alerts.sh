#!/usr/bin/env bash
# The real updater on a real X server. A failed install shows its red lines and no alert after
# them: once while another copy holds the product's lock, once when the install is refused. A link
# at the log's name, leading out of the product, is left alone: the file it names is untouched and
# the window and standard error say the run goes on without its log. And an alert that is up when
# the session ends (TERM, or HUP as the terminal closes) does not keep the program running: the
# dialog closes and the program ends.
set -euo pipefail
source "$1/tests/scripts/support/updater_on_x11.bash"
x11_start

echo "--- failed installs"
updater_demo package
updater_start
updater_click message
wait_for "the package" log_has_line "Update received. Click the message to install it."

# Another copy holds the lock: refused, the package kept for the next press.
lock="$demo/.pintrel-update-lock"
# The holder becomes the sleep that keeps the locked descriptor: ending it frees the lock.
(exec 9>"$lock" && flock 9 && exec sleep 600) >/dev/null 2>&1 &
x11_pids+=($!)
wait_for "the lock to be held" eval '! flock -n "$lock" true'
updater_click message
wait_for "the refusal" log_has_line \
    "Another copy of the updater is updating this product. Please try again when it has finished."
kill "${x11_pids[-1]}"
wait "${x11_pids[-1]}" 2>/dev/null || true

# A folder where the package's file goes: the install is refused and undone.
readme="$demo/Pintrel 2.app/Contents/Resources/readme.txt"
rm "$readme"
mkdir "$readme"
updater_click message
wait_for "the failed install" log_has_line "The update file could not be installed."
[ -d "$readme" ] || fail "the folder in the file's place was changed"
# The quit comes after any alert the presses raised.
updater_click quit
updater_wait_exit
! grep -A1 '^\[alert\]' "$demo/updater.out" || fail "a failed install raised an alert"

echo "--- a link at the log's name"
updater_demo uptodate
outside="$x11_work/outside.txt"
printf 'kept\n' >"$outside"
ln -s ../../../outside.txt "$demo/Pintrel Updater.app/Contents/UpdateResults.log"
SDL_AUDIODRIVER=dummy "$demo/$program" >"$demo/updater.out" 2>&1 </dev/null &
updater_pid=$!
wait_for "the line on standard error" grep -qxF "The updater goes on without its log file: \
$demo/Pintrel Updater.app/Contents/UpdateResults.log: it is not a regular file" "$demo/updater.out"
# The status lines are black and green but for this one.
red_shown() {
    window_of_updater && import -window "$updater_window" "$x11_work/shot.png" &&
        [ "$(convert "$x11_work/shot.png" -fx 'r>0.8&&g<0.2&&b<0.2' -format '%[fx:round(mean*w*h)]' info:)" -gt 0 ]
}
wait_for "the red line in the window" red_shown
[ "$(cat "$outside")" = kept ] || fail "the file the link names was written"
kill -TERM "$updater_pid"
updater_wait_exit

alert_up() { xdotool search --class Xmessage >/dev/null; }
for signal in TERM HUP; do
    echo "--- $signal with an alert up"
    updater_demo unresolvable
    rm -rf "$demo/Pintrel 2.app"
    SDL_AUDIODRIVER=dummy "$demo/$program" >"$demo/updater.out" 2>&1 </dev/null &
    updater_pid=$!
    wait_for "the alert" alert_up
    kill -"$signal" "$updater_pid"
    updater_wait_exit
    wait_for "the alert to close" eval '! alert_up'
done
echo "ok"
