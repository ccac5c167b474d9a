#!/usr/bin/env bash
# The resource compiler's own tests (Python standard library only).
set -euo pipefail
cd "$1/tools/rescomp"
python3 -B -m unittest -q test_rescomp
