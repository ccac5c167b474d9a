#!/usr/bin/env bash
# Two copies of the real updater on one product folder: the second leaves the first's install
# alone, and a killed copy leaves the folder's lock free (see updater_two_copies.py).
set -euo pipefail
exec python3 "$1/tests/scripts/updater_two_copies.py" "$1" "$2"
