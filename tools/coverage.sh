#!/usr/bin/env bash
# Builds the whole suite with coverage counters in its own folder, runs every test and script
# once, and lists the functions of src/ that nothing ran, so anyone can see what is left untested.
#
#   tools/coverage.sh [OUTPUT]
#
# The list goes to OUTPUT (default: build-coverage/unrun.txt) and to standard output, one function
# a line as "file:line  name", grouped by folder with a count per folder (a template counts once,
# as run when any of its instantiations ran; COVERAGE_FORMS=1 lists each unrun instantiation and
# lambda on its own). COVERAGE_LIST_ONLY=1 only makes the list again from the last run's counters.
# JOBS sets the build's parallel jobs (default: the cores), CTEST_ARGS the test run's options
# (default: -j <cores> --timeout 900), COVERAGE_DIR the build folder (default: build-coverage).
# Needs gcovr (tools/install-deps.sh installs it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
folder=${COVERAGE_DIR:-build-coverage}
output=${1:-$folder/unrun.txt}
jobs=${JOBS:-$(nproc)}

command -v gcovr >/dev/null || { echo "gcovr is missing: run tools/install-deps.sh" >&2; exit 2; }

if [ "${COVERAGE_LIST_ONLY:-0}" != 1 ]; then
    # -O0 keeps every function an object of its own, so a function inlined into its callers is
    # still counted; the benchmarks are left out, they are not tests. The codec's workers and the
    # tests' peers run code on several threads at once: counters updated atomically stay exact,
    # where plain increments lose updates and gcov then reports negative counts.
    flags="--coverage -O0 -fprofile-update=atomic"
    tools/configure-build.sh "$folder" -DCMAKE_BUILD_TYPE=Debug -DPNU_BENCH=OFF \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
    cmake --build "$folder" -j "$jobs"

    # Counters from an earlier run would count functions this run never reached.
    find "$folder" -name '*.gcda' -delete
    read -r -a ctest_args <<<"${CTEST_ARGS:--j $jobs --timeout 900}"
    status=0
    ctest --test-dir "$folder" "${ctest_args[@]}" >"$folder/coverage-ctest.log" 2>&1 || status=$?
    tail -n 3 "$folder/coverage-ctest.log"
    [ "$status" -eq 0 ] || echo "Some tests failed (see $folder/coverage-ctest.log); the list still counts what ran." >&2

    # Only this build's counters are read (another coverage build beside it would be merged in),
    # without the notes CMake's compiler checks leave behind with no counters or sources.
    gcovr --root "$root" --object-directory "$folder" --filter "$root/src/" \
        --exclude-directories '.*/CMakeFiles/[0-9.]+$' \
        --gcov-ignore-parse-errors -j "$jobs" --json "$folder/coverage.json" "$folder" >/dev/null
fi

mkdir -p "$(dirname "$output")"
python3 - "$folder/coverage.json" "${COVERAGE_FORMS:-0}" >"$output" <<'EOF'
import json, sys
from collections import defaultdict

with open(sys.argv[1]) as handle:
    report = json.load(handle)
every_form = sys.argv[2] == "1"

# One source function can be several compiled ones (a template's instantiations, a lambda inside
# one): they share file and line, and the source function counts as run when any of them ran,
# unless COVERAGE_FORMS=1 asks for every unrun form. gcovr has already merged the copies of one
# inline function from different objects.
unrun = defaultdict(list)
total = defaultdict(int)
for entry in report["files"]:
    name = entry["file"]
    parts = name.split("/")
    group = "/".join(parts[:3]) if parts[1] == "updater" and len(parts) > 3 else "/".join(parts[:2])
    forms = defaultdict(list)
    for function in entry.get("functions", []):
        forms[function["lineno"] if not every_form else (function["lineno"], function["name"])].append(function)
    for key, functions in forms.items():
        total[group] += 1
        if all(function["execution_count"] == 0 for function in functions):
            unrun[group].append((name, functions[0]["lineno"], functions[0]["name"]))

print(f"Functions of src/ that no test runs: {sum(len(v) for v in unrun.values())} "
      f"of {sum(total.values())}")
for group in sorted(total):
    functions = sorted(unrun.get(group, []), key=lambda item: (item[0], item[1], item[2]))
    print(f"\n{group}: {len(functions)} of {total[group]} unrun")
    for file, line, function in functions:
        print(f"  {file}:{line}  {function}")
EOF
cat "$output"
