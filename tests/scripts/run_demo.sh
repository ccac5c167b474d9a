#!/usr/bin/env bash
# ./run over this build, without a display: the trickle form, whose wait is for a line of the
# window's language, ends well in every language of the string table; every run leaves nothing in
# the temporary folder and no process behind, also when it is stopped half-way by a TERM; --keep
# keeps the demo folder it names.
set -euo pipefail
source_dir=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { "$@" || { echo "FAIL: $*"; failures=$((failures + 1)); }; }

languages=$(python3 - "$source_dir/assets/PNUpdater.mst" <<'PY'
import re, sys
for number, text in re.findall(r'^(\d+) "(.*)"$', open(sys.argv[1], encoding="utf-8").read(), re.M):
    if int(number) >= 3000000004 and (int(number) - 3000000004) % 71 == 0 and int(number) < 3000001000:
        print(text)
PY
)

# start NAME ARGUMENTS...: ./run in a session of its own with a temporary folder of its own.
start() {
    local name=$1
    shift
    mkdir -p "$work/$name/tmp"
    env -u DISPLAY TMPDIR="$work/$name/tmp" PNU_RUN_BUILD="$build_dir" \
        setsid "$source_dir/run" "$@" >"$work/$name/out" 2>&1 </dev/null &
    echo $! >"$work/$name/pid"
}

# finish NAME STATUS: waits for the run, checks its status and that it left nothing behind but
# the folder it names as kept, if it was asked to keep it.
finish() {
    local name=$1 pid status=0 kept
    pid=$(cat "$work/$1/pid")
    wait "$pid" || status=$?
    [ "$status" -eq "$2" ] || { echo "FAIL: $name ended with $status"; sed 's/^/    /' "$work/$name/out"; failures=$((failures + 1)); }
    kept=$(sed -n 's/^Kept the demo folder: //p' "$work/$name/out")
    if [ -n "$kept" ]; then
        check [ -f "$kept/screenshot-2.png" ]
        rm -rf "$work/$name/tmp"/*
    fi
    check [ -z "$(ls -A "$work/$name/tmp")" ]
    check [ -z "$(pgrep -s "$pid")" ]
}

index=0
while read -r language; do
    index=$((index + 1))
    arguments=(--language "$language" --reply trickle)
    [ "$index" -eq 1 ] && arguments+=(--keep)
    start "language$index" "${arguments[@]}"
done <<<"$languages"
start stopped --reply package-slow
source "$source_dir/tests/scripts/support/wait_for.bash"
fail() { echo "FAIL: $*"; exit 1; }
wait_for "the stopped run's demo" grep -q "^Demo installation:" "$work/stopped/out"
kill -TERM "$(cat "$work/stopped/pid")"

for name in $(seq -f 'language%g' 1 "$index"); do
    finish "$name" 0
    check grep -q "^Clicking the quit part" "$work/$name/out"
done
check grep -q "^Kept the demo folder: " "$work/language1/out"
finish stopped 143

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo ok
