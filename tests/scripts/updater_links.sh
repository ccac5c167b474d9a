#!/usr/bin/env bash
# The real updater with links inside the install folder: followed while they stay inside, a link
# at a file's name replaced and put back by an undo, ways out refused (see updater_links.py).
set -euo pipefail
exec python3 "$1/tests/scripts/updater_links.py" "$1" "$2"
