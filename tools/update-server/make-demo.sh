#!/usr/bin/env bash
# Lays out a demo installation in a fresh folder: an older "Pintrel 2.app" with its settings,
# the updater's bundle beside it, a test-mode marker naming the local update server, and a demo
# update package for the server to deliver.
#
#   make-demo.sh BUILD_DIR FOLDER PORT
set -euo pipefail
build=$1
folder=$2
port=$3

mkdir -p "$folder/Pintrel 2.app/Contents/Resources" "$folder/Pintrel 2.app/Contents/MacOS"
cp "$build/demo/system.msf" "$folder/Pintrel 2.app/Contents/Resources/system.msf"
printf 'Pintrel 2, version 2.0.1\n' > "$folder/Pintrel 2.app/Contents/Resources/readme.txt"
cp -r "$build/Pintrel Updater.app" "$folder/"
printf '127.0.0.1:%s\n' "$port" > "$folder/Pintrel Updater.app/Contents/testmode"

# The package brings version 2.0.2 of the read-me file.
source=$(mktemp)
printf 'Pintrel 2, version 2.0.2\n' > "$source"
"$build/tools/pnupack/pnupack" --line "TYPE=FULL" --line "OS=OSX" --line "BUILD=FULL" \
    --line "VERSIONNUMBER=2.0.2" --line "EXECUTE=" \
    --file "/Pintrel 2.app/Contents/Resources/readme.txt" "$source" 644 "$folder/demo-update.pnu"
rm -f "$source"
