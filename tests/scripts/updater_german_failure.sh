#!/usr/bin/env bash
# The real updater for a German product, on a real X server, against an update server that
# answers 404: the check is started with a real click, and every line the program logs is German,
# the server's own status text filled into its red line. The only other line is the warning that
# the developer's test mode shows, which is the same in every language.
set -euo pipefail
source "$1/tests/scripts/support/updater_on_x11.bash"
x11_start
updater_demo notfound
cat > "$demo/german.mst" <<'TABLE'
1 "Local_Current" "Deutsch"
2 "PBX_InternalBuildString" "FULL|2.0.1"
3 "PBX_Application" "Pintrel 2"
TABLE
python3 -B "$source_dir/tools/rescomp/rescomp.py" strings "$demo/german.mst" \
    -o "$demo/Pintrel 2.app/Contents/Resources/system.msf"

updater_start
updater_click message
refused="Der Server hat mit „404 Not Found“ geantwortet, statt das Update zu senden. Bitte versuchen Sie es später erneut!"
wait_for "the refusal" log_has_line "$refused"
check_log "Bereit.
WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!
Suche nach Updates...
Server wird gesucht...
Server gefunden, Verbindung wird aufgebaut.
$refused"
updater_click quit
updater_wait_exit
echo "ok"
