#!/usr/bin/env bash
# ./run's arguments, which it reads before installing or building anything: --help lists every
# reply form of the local update server and every language of the updater's texts; a wrong form,
# language or option is refused at once with status 2 and the same list on standard error.
# ./test --help and tools/install-deps.sh --help say what they do and start nothing.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { "$@" || { echo "FAIL: $*"; failures=$((failures + 1)); }; }

"$source_dir/run" --help >"$work/help" 2>&1 || { echo "FAIL: --help ended with $?"; exit 1; }

# Every server form, the two the demo makes without a server, and each language block's name.
forms=$(cd "$source_dir/tools/update-server" && python3 -B -c 'import update_server; print(*update_server.FORMS)')
for form in $forms unresolvable refused-connection; do
    check grep -qE "^  $form +[^ ]" "$work/help"
done
languages=$(python3 - "$source_dir/assets/PNUpdater.mst" <<'PY'
import re, sys
for number, text in re.findall(r'^(\d+) "(.*)"$', open(sys.argv[1], encoding="utf-8").read(), re.M):
    # The failure texts from 3000001000 on lie beyond the blocks.
    if 3000000004 <= int(number) < 3000001000 and (int(number) - 3000000004) % 71 == 0:
        print(text)
PY
)
[ -n "$languages" ] || { echo "FAIL: no language blocks found"; exit 1; }
while read -r language; do
    check grep -qw "$language" "$work/help"
done <<<"$languages"

# arguments | the refusal's reason. Accepted values before a wrong one show that those passed.
while IFS='|' read -r arguments reason; do
    status=0
    # shellcheck disable=SC2086
    timeout 60 "$source_dir/run" $arguments >"$work/out" 2>"$work/err" || status=$?
    check [ "$status" -eq 2 ]
    check [ ! -s "$work/out" ]
    check grep -qF -- "$reason" "$work/err"
    check cmp -s <(tail -n +3 "$work/err") "$work/help"
done <<'EOF_CASES'
--reply bogus|unknown reply form "bogus"
--reply|--reply needs a form
--frob|unknown option "--frob"
--reply=package|unknown option "--reply=package"
--language Klingon|unknown language "Klingon"
--language|--language needs a name
--reply package-save --install --frob|unknown option "--frob"
--language deutsch --reply uptodate --frob|unknown option "--frob"
--language FRENCH --language español --frob|unknown option "--frob"
--keep --install --frob|unknown option "--frob"
EOF_CASES

# Any of these tools run by a help is a start: each leaves a mark.
mkdir "$work/bin"
for tool in cmake ctest apt-get dpkg dpkg-query sudo clang++; do
    printf '#!/bin/sh\necho %s >>"%s/started"\nexit 1\n' "$tool" "$work" >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done
for script in test tools/install-deps.sh; do
    status=0
    PATH="$work/bin:$PATH" timeout 60 "$source_dir/$script" --help >"$work/out" 2>&1 || status=$?
    check [ "$status" -eq 0 ]
    check grep -q "^Usage: .*${script##*/} " "$work/out"
done
check [ ! -e "$work/started" ]

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo ok
