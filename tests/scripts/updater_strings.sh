#!/usr/bin/env bash
# The updater's string tables: complete language blocks and every text id the code asks for.
set -euo pipefail
python3 -B "$1/tests/scripts/check_updater_strings.py" "$1"
