#!/usr/bin/env bash
# The real updater, headless, given a document that names nothing: the start says in red that the
# file was not found, naming it (a relative name made absolute, a path through a file), installs
# nothing, and waits for the user until TERM ends it. Blanks and quotes around the name are dropped
# before it is made absolute: the package they surround is installed.
set -euo pipefail
source_dir=$1
build_dir=$2
program="Pintrel Updater.app/Contents/MacOS/Pintrel Updater"
[ -x "$build_dir/$program" ] || { echo "the updater program is not built"; exit 1; }

# The folder as the program sees it, links resolved.
work=$(cd "$(mktemp -d)" && pwd -P)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; read_log || true; cat "$work/out.txt" 2>/dev/null || true; exit 1; }
source "$source_dir/tests/scripts/support/wait_for.bash"
"$source_dir/tools/update-server/make-demo.sh" "$build_dir" "$work" 1 >/dev/null
log="$work/Pintrel Updater.app/Contents/UpdateResults.log"
readme="$work/Pintrel 2.app/Contents/Resources/readme.txt"

read_log() {
    python3 -c 'import sys; print(open(sys.argv[1], "rb").read().decode("utf-16-le").replace("\n\r", "\n"), end="")' "$log"
}
log_has_line() { read_log | grep -qxF -- "$1"; }

# document | the log's last line: the red line naming the path, or the install's end
while IFS='|' read -r document last; do
    rm -f "$log"
    printf 'Pintrel 2, version 2.0.1\n' >"$readme"
    (cd "$work" && PNU_HEADLESS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec "$work/$program" "$document" \
        >"$work/out.txt" 2>&1 </dev/null) &
    pid=$!
    wait_for "\"$last\" for $document" log_has_line "$last"
    kill -0 "$pid" 2>/dev/null || fail "the updater did not wait ($document)"
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "the updater ended with status $status ($document)"
    ! grep -q '^\[alert\]' "$work/out.txt" || fail "an alert was shown for $document"
    if [ "$last" = "The update has been installed." ]; then
        [ "$(read_log | tail -n 1)" = "$last" ] || fail "unexpected log for $document"
        [ "$(cat "$readme")" = "Pintrel 2, version 2.0.2" ] || fail "the package was not installed ($document)"
        continue
    fi
    expected="Ready.
WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!
$last"
    [ "$(read_log)" = "$expected" ] || fail "unexpected log for $document"
    [ "$(cat "$readme")" = "Pintrel 2, version 2.0.1" ] || fail "the product was changed"
done <<EOF
$work/no-such-update.pnu|File not found: $work/no-such-update.pnu
no-such-update.pnu|File not found: $work/no-such-update.pnu
"no-such-update.pnu" |File not found: $work/no-such-update.pnu
$readme/update.pnu|File not found: $readme/update.pnu
"$work/demo-update.pnu"|The update has been installed.
 $work/demo-update.pnu|The update has been installed.
EOF
echo ok
