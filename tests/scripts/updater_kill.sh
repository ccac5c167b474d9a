#!/usr/bin/env bash
# The real updater killed at points spread over every file step of an install, then started again
# plainly: the product is whole after that start (see updater_kill.py).
set -euo pipefail
exec python3 "$1/tests/scripts/updater_kill.py" "$1" "$2"
