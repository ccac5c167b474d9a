#!/usr/bin/env bash
# The real updater program with a missing, truncated, damaged or empty resource file, or one whose
# window lacks its main button: it shows why (the alerts go to standard error in the harness's
# mode) and ends by itself with status 1, never with a crash or a window that waits with nothing
# in it.
set -euo pipefail
source_dir=$1
build_dir=$2
program="Pintrel Updater.app/Contents/MacOS/Pintrel Updater"
[ -x "$build_dir/$program" ] || { echo "the updater program is not built"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source_dir/tools/update-server/make-demo.sh" "$build_dir" "$work" 1 >/dev/null
resources="$work/Pintrel Updater.app/Contents/Resources/PNUpdater.mrf"
original="$work/original.mrf"
cp "$resources" "$original"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Only a program that hangs takes the whole limit (three times as long under the slower sanitizers).
limit=60
if grep -qs '^PNU_SANITIZE:BOOL=ON' "$build_dir/CMakeCache.txt"; then limit=180; fi

# check NAME EXPECTED_ALERTS: runs the program and compares its alerts, in order, one per line.
check() {
    local name=$1 expected=$2 status=0
    PNU_HEADLESS=1 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout "$limit" "$work/$program" \
        >"$work/out.txt" 2>&1 </dev/null || status=$?
    local alerts
    alerts=$(python3 - "$work/out.txt" <<'EOF'
import sys
# Each alert is "[alert] TITLE", then its text up to the next blank line.
lines, alerts, current = open(sys.argv[1], errors="replace").read().split("\n"), [], None
for line in lines:
    if line.startswith("[alert] "):
        current = [line[8:]]
        alerts.append(current)
    elif current is not None and line:
        current.append(line)
    else:
        current = None
print("\n".join(" / ".join(alert) for alert in alerts))
EOF
)
    if [ "$status" -ne 1 ] || [ "$alerts" != "$expected" ]; then
        echo "FAIL ($name): status $status, alerts:"
        echo "$alerts"
        echo "--- expected status 1 and:"
        echo "$expected"
        echo "--- output"
        cat "$work/out.txt"
        exit 1
    fi
    echo "$name: ok"
}

rm "$resources"
check missing "Error. / The file being accessed is invalid."

head -c 5000 "$original" > "$resources"
check truncated "Error. / An error occurred on attempting to read/write data from/to a file stream."

# Chunk heads overwritten: the directory cannot be read.
python3 - "$original" "$resources" <<'EOF'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[16:200] = b"\xa5" * 184
open(sys.argv[2], "wb").write(data)
EOF
check damaged "Error. / An error occurred on attempting to read/write data from/to a file stream."

: > "$resources"
check empty "Error. / A requested resource was not found."

# The window's own block damaged: its loader says so, and the program does not go on without it.
python3 - "$original" "$resources" <<'EOF'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
# The first chunk after the version is the window; its block starts after the type, size, id,
# the UTF-16 name with its line end, and the block size.
name_end = data.index(b"\n\x00", 24) + 2
data[name_end + 4:name_end + 8] = struct.pack("<I", 0x7FFFFFFF)
open(sys.argv[2], "wb").write(data)
EOF
check "damaged window" "Error. / An error occurred reading data from a binary resource file. / Unrecognised chunk in widget.
Error. / An error occurred reading data from a binary resource file. / Error parsing backdrop data chunk type."
# A window without its main button: the window cannot be made, and the program says so.
sed "s/^widget 'imwg' 300 \"PNU Main Button\"/widget 'imwg' 399 \"PNU Main Button\"/" \
    "$source_dir/assets/PNUpdater.mrs" > "$work/nobutton.mrs"
grep -q "^widget 'imwg' 399 " "$work/nobutton.mrs" || { echo "FAIL: the main button was not renamed"; exit 1; }
cp -r "$source_dir/assets/window" "$work/"
python3 -B "$source_dir/tools/rescomp/rescomp.py" resources "$work/nobutton.mrs" -o "$resources"
check "no main button" "Error. / An error occurred on attempting to create an object."
echo "ok"
