#!/usr/bin/env bash
# Configures a build folder as ./test and ./run both do (Ninja, and the compiler cache where the
# machine has one), so that the two share the folder "build" without redoing each other's work.
#
#   tools/configure-build.sh FOLDER [CMAKE OPTIONS...]
set -euo pipefail
folder=$1
shift
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
exec cmake -S "$(dirname "$0")/.." -B "$folder" -G Ninja "${launcher[@]}" "$@"
