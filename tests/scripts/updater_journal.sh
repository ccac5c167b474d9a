#!/usr/bin/env bash
# The real updater's start-up repair given install journals no install leaves, and a roll-back
# whose renames fail (see updater_journal.py).
set -euo pipefail
exec python3 "$1/tests/scripts/updater_journal.py" "$1" "$2"
