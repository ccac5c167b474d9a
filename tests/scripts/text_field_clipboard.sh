#!/usr/bin/env bash
# The text field of the framework's test application on a real X server (Xvfb): text beyond
# ASCII is typed through the keyboard, copy and cut put it on the display's clipboard where
# another program (xclip) reads it, and text another program put there is pasted into the field.
set -euo pipefail
source_dir=$1
build_dir=$2
source "$source_dir/tests/scripts/support/apptest_session.sh"
command -v xclip >/dev/null || fail "xclip is not installed (tools/install-deps.sh installs it)"

start_app
grep -qx 'window 320,392 640x240' "$work/out.log" || fail "window not shown"
window=$(xdotool search --sync --name 'Pintrel Framework Test' | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"

# Waits for the field's next report (Return); field_is checks it, expect_field insists on it.
reports=0
field_is() {
    reports=$((reports + 1))
    xdotool key Return
    for _ in $(seq 50); do [ "$(grep -c '^field ' "$work/out.log")" -ge "$reports" ] && break; sleep 0.1; done
    line=$(grep '^field ' "$work/out.log" | sed -n "${reports}p")
    [ "$line" = "field '$1'" ]
}
expect_field() { field_is "$1" || fail "field shows ${line:-nothing}, expected '$1'"; }
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
# A busy machine can take a while to act on a key: look again until the clipboard holds the text.
wait_clipboard() { for _ in $(seq 50); do [ "$(clipboard)" = "$1" ] && return 0; sleep 0.1; done; return 1; }

# The field lies at window point (220,180), 200 x 20: a click gives it the keyboard.
xdotool mousemove 600 582
sleep 0.2
xdotool click 1
sleep 0.2
# Letters beyond ASCII have no key here: xdotool lends a spare key their meaning. It is held down
# while the program reads it, so a busy machine cannot hand the program the next letter instead.
type_held() {
    xdotool keydown "$1"
    sleep 0.3
    xdotool keyup "$1"
}
# The key lent for a letter is taken back by xdotool on its own schedule; on a busy machine the
# program can still read it as no letter at all. That is xdotool's race, not the field's: the word
# is typed again over a selection of what came out, at most three times.
for attempt in 1 2 3; do
    [ "$attempt" -eq 1 ] || xdotool key ctrl+a BackSpace
    xdotool type 'Gr'
    type_held udiaeresis
    type_held ssharp
    xdotool type 'e'
    field_is 'Grüße' && break
    [ "$attempt" -lt 3 ] || fail "field shows ${line:-nothing}, expected 'Grüße'"
    echo "typed $line, typing again"
done

# The selection shows inverted over the white field: dark where the text is, white beyond it.
xdotool key ctrl+a
shot="$work/selected.png"
brightness() { convert "$shot" -crop "$1" +repage -format "%[fx:mean]" info:; }
for _ in $(seq 25); do
    sleep 0.2
    import -window root "$shot"
    text_part=$(brightness 30x8+544+578)
    beyond=$(brightness 30x8+700+578)
    awk "BEGIN { exit !($text_part < 0.5 && $beyond > 0.99) }" && break
done
echo "selected text brightness $text_part, field beyond it $beyond"
awk "BEGIN { exit !($text_part < 0.5 && $beyond > 0.99) }" || fail "selection not drawn inverted"

# Copy: another program reads the text from the display's clipboard.
xdotool key ctrl+c
wait_clipboard 'Grüße' || fail "copied text not on the clipboard ($(clipboard))"

# Paste: text another program owns replaces the selection.
printf 'naïve café' | xclip -selection clipboard
wait_clipboard 'naïve café' || fail "xclip did not take the clipboard"
xdotool key ctrl+a ctrl+v
expect_field 'naïve café'

# Cut: the selection leaves the field for the clipboard.
xdotool key ctrl+a ctrl+x
sleep 0.3
expect_field ''
wait_clipboard 'naïve café' || fail "cut text not on the clipboard ($(clipboard))"

quit_app
cat "$work/out.log"
echo "PASS"
