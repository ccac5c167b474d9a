#!/usr/bin/env bash
# The local update server's reply forms.
set -euo pipefail
cd "$1/tools/update-server"
python3 -B -m unittest -q test_update_server
