#!/usr/bin/env bash
# The real updater program, headless, beside a demo installation: it starts, logs its first
# lines, installs the package it is given as its document, waits, and ends cleanly on SIGTERM. (SIGINT cannot be
# tried from here: a background job of a script starts with it ignored.)
set -euo pipefail
source_dir=$1
build_dir=$2
program="Pintrel Updater.app/Contents/MacOS/Pintrel Updater"
if [ ! -x "$build_dir/$program" ]; then
    echo "the updater program is not built"
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source_dir/tools/update-server/make-demo.sh" "$build_dir" "$work" 1 >/dev/null
log="$work/Pintrel Updater.app/Contents/UpdateResults.log"

read_log() {
    python3 -c 'import sys; print(open(sys.argv[1], "rb").read().decode("utf-16-le").replace("\n\r", "\n"), end="")' "$log"
}

# A sanitizer build runs several times slower: its waits are three times as long. Only a program
# that hangs takes the whole wait.
wait_seconds=60
if grep -qs '^PNU_SANITIZE:BOOL=ON' "$build_dir/CMakeCache.txt"; then wait_seconds=180; fi

# run_and_stop SIGNAL LINE [ARGUMENTS]: starts the updater, waits until its log has LINE, checks it
# is still running, and stops it with SIGNAL.
run_and_stop() {
    local signal=$1 line=$2
    shift 2
    rm -f "$log"
    PNU_HEADLESS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$work/$program" "$@" \
        > "$work/out.txt" 2>&1 < /dev/null &
    local pid=$!
    local deadline=$((SECONDS + wait_seconds))
    until [ -f "$log" ] && read_log 2>/dev/null | grep -qxF "$line"; do
        kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ] || break
        sleep 0.05
    done
    sleep 0.3
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "the updater did not wait ($*)"; cat "$work/out.txt"; exit 1
    fi
    kill "-$signal" "$pid"
    local status=0
    deadline=$((SECONDS + wait_seconds))
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"; echo "the updater did not end on SIG$signal"; exit 1
    fi
    wait "$pid" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "the updater ended with status $status on SIG$signal"; cat "$work/out.txt"; exit 1
    fi
    local first
    first=$(read_log | head -n 2 | tr '\n' '|')
    if [ "$first" != "Ready.|WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!|" ]; then
        echo "unexpected log: $first"; exit 1
    fi
}

run_and_stop TERM "WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!"
run_and_stop TERM "The update has been installed." "$work/demo-update.pnu"
# The document was installed beside the bundle, and the log holds every step.
readme="$work/Pintrel 2.app/Contents/Resources/readme.txt"
if [ "$(cat "$readme")" != "Pintrel 2, version 2.0.2" ]; then
    echo "the package was not installed: $(cat "$readme")"; read_log; exit 1
fi
expected="Ready.
WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!
Installing the update...
Unpacking the update...
Decoding the update...
Reading the contents of the update...
 -- $readme, 25 bytes
Removing files left by an earlier update...
Leftovers checked: readme.txt
Writing the new files...
Written: readme.txt.tmp
Keeping the old files...
Kept: readme.txt
Moving the new files into place...
Placed: readme.txt.tmp
Removing the old files...
Removed: readme.txt.old
 
The update has been installed."
if [ "$(read_log)" != "$expected" ]; then
    echo "unexpected log after the install:"; read_log; exit 1
fi
echo "ok"
