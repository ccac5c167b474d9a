#!/usr/bin/env bash
# The package sets of tools/install-deps.sh: ./run's is part of ./test's and brings no service
# (neither a package it names nor one that package depends on ships a systemd service, as nginx
# and rsync do); ./test's holds the servers the tests start themselves. Reads
# what the installed packages ship; installs nothing.
set -euo pipefail
source_dir=$1
run_set=$("$source_dir/tools/install-deps.sh" --list run | sort)
test_set=$("$source_dir/tools/install-deps.sh" --list | sort)
failures=0

[ -n "$run_set" ] || { echo "FAIL: the run set is empty"; exit 1; }
outside=$(comm -23 <(echo "$run_set") <(echo "$test_set"))
[ -z "$outside" ] || { echo "FAIL: only in the run set: $outside"; failures=$((failures + 1)); }
grep -qx nginx <<<"$test_set" || { echo "FAIL: the test set lacks nginx"; failures=$((failures + 1)); }

# The file lists of each named package and of each package it depends on, in one search.
lists=()
for package in $run_set; do
    depends=$(dpkg-query -W -f '${Depends} ${Pre-Depends}' "$package" 2>/dev/null |
        tr ',|' '\n' | sed 's/([^)]*)//; s/:any//; s/ //g' | grep . || true)
    for name in "$package" $depends; do
        lists+=(/var/lib/dpkg/info/"$name".list /var/lib/dpkg/info/"$name":*.list)
    done
done
found=$(grep -HE '^(/usr)?/lib/systemd/system/[^/]+\.(service|socket)$' "${lists[@]}" 2>/dev/null || true)
[ -z "$found" ] || { echo "FAIL: a service comes with the run set:"; echo "$found"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo ok
