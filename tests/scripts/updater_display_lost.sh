#!/usr/bin/env bash
# The display going away under the real updater: its X server is killed while the program runs,
# and at the moment the program is asked to quit. Either way the program must end by itself, within
# the usual wait, and never keep spinning on the lost connection.
set -euo pipefail
source "$1/tests/scripts/support/updater_on_x11.bash"

# lose_display ALSO_QUIT: kills this round's X server (and asks the updater to quit at once when
# ALSO_QUIT is yes), then waits for the updater to end.
lose_display() {
    x11_start
    updater_demo uptodate
    updater_start
    local display_pid=${x11_pids[-1]}
    if [ "$1" = yes ]; then
        kill -TERM "$updater_pid" "$display_pid"
    else
        kill -TERM "$display_pid"
    fi
    wait_for "the updater to end once its display is gone" eval '! kill -0 "$updater_pid" 2>/dev/null'
    wait "$updater_pid" || true
    updater_pid=""
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
}

for round in 1 2; do
    echo "--- round $round ($SECONDS s)"
    lose_display no
    lose_display yes
done
echo "ok ($SECONDS s)"
