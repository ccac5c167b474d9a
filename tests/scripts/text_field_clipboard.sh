#!/usr/bin/env bash
# The text field of the framework's test application on a real X server (Xvfb): text beyond
# ASCII is typed through the keyboard, copy and cut put it on the display's clipboard where
# another program (xclip) reads it, and text another program put there is pasted into the field.
# Keys the program gets to only after Ctrl is up again (it is stopped meanwhile, as a busy machine
# may hold it) still count with Ctrl, and a key without text leaves the text of the next one.
set -euo pipefail
source_dir=$1
build_dir=$2
source "$source_dir/tests/scripts/support/apptest_session.sh"
command -v xclip >/dev/null || fail "xclip is not installed (tools/install-deps.sh installs it)"

start_app
grep -qx 'window 320,392 640x240' "$work/out.log" || fail "window not shown"
# Letters beyond ASCII get keys of their own. (Only while a client is connected: the server
# resets its keyboard map when its last client leaves.)
python3 "$source_dir/tests/scripts/support/bind_keysyms.py" udiaeresis ssharp || fail "no keys for the letters"
window=$(xdotool search --sync --name 'Pintrel Framework Test' | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"

# Presses Return and waits for the field's report of its text, which must be TEXT.
reports=0
reported() { [ "$(grep -c '^field ' "$work/out.log")" -ge "$reports" ]; }
expect_field() {
    reports=$((reports + 1))
    xdotool key Return
    wait_for "the field's report" reported
    line=$(grep '^field ' "$work/out.log" | sed -n "${reports}p")
    [ "$line" = "field '$1'" ] || fail "field shows $line, expected '$1'"
}
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }

# The field lies at window point (220,180), 200 x 20: a click gives it the keyboard. The program
# handles the keys after the click, in the order they came.
xdotool mousemove 600 582 click 1
xdotool type 'Grüße'
expect_field 'Grüße'

# held KEYS...: the keys pressed while the program is stopped, handled once it goes on.
held() {
    kill -STOP "$app_pid"
    xdotool "$@" || { kill -CONT "$app_pid"; fail "xdotool $*"; }
    kill -CONT "$app_pid"
}

# The selection shows inverted over the white field: dark where the text is, white beyond it.
held key ctrl+a
shot="$work/selected.png"
brightness() { convert "$shot" -crop "$1" +repage -format "%[fx:mean]" info:; }
inverted() {
    import -window root "$shot"
    text_part=$(brightness 30x8+544+578)
    beyond=$(brightness 30x8+700+578)
    awk "BEGIN { exit !($text_part < 0.5 && $beyond > 0.99) }"
}
wait_for "the selection drawn inverted" inverted
echo "selected text brightness $text_part, field beyond it $beyond"

# Copy: another program reads the text from the display's clipboard.
xdotool key ctrl+c
wait_for "the copied text on the clipboard" clipboard_is 'Grüße'

# Paste: text another program owns replaces the selection.
printf 'naïve café' | xclip -selection clipboard
wait_for "xclip to take the clipboard" clipboard_is 'naïve café'
xdotool key ctrl+a ctrl+v
expect_field 'naïve café'

# Cut: the selection leaves the field for the clipboard.
xdotool key ctrl+a ctrl+x
expect_field ''
wait_for "the cut text on the clipboard" clipboard_is 'naïve café'

xdotool type 'abc'
held key ctrl+a type 'ok'
expect_field 'ok'

quit_app
cat "$work/out.log"
echo "PASS"
