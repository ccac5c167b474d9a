#!/usr/bin/env bash
# The real updater given packages that must not install, a disk that fills up and an install
# folder with ":" in its path (see updater_hostile.py).
set -euo pipefail
exec python3 "$1/tests/scripts/updater_hostile.py" "$1" "$2"
