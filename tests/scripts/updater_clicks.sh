#!/usr/bin/env bash
# The real updater program on a real X server (Xvfb), driven by real clicks against the local
# update server, once for every reply form, an unresolvable host and a refused connection. For
# each run it checks the request the server logged, the log's status lines in order, what the
# message part of the main button does next, and that the quit part ends the program with 0.
# Click points come from the window's position and the main button's rectangle in the resource
# script, not from fixed screen points.
set -euo pipefail
source "$1/tests/scripts/support/updater_on_x11.bash"
x11_start
demo_package=""

# run_form FORM EXPECTED_LOG_TAIL ACTION
#   FORM: a reply form of update_server.py, or "unresolvable" / "refused-connection"
#   EXPECTED_LOG_TAIL: the status lines after "Checking for updates...", one per line
#   ACTION: install, open-page, no-opener, finish, again (the check runs again) or none (what the
#   second click on the message part does)
run_form() {
    local form=$1 expected_tail=$2 action=$3
    echo "--- $form ($SECONDS s)"
    updater_demo "$form"
    updater_start
    updater_click message
    wait_for "the reply to \"$form\"" log_has_line "${expected_tail##*$'\n'}"
    check_log "Ready.
WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!
Checking for updates...
$expected_tail"
    case "$form" in
        unresolvable|refused-connection|close) ;;
        *) check_request ;;
    esac
    case "$action" in
        install)
            updater_click message
            wait_for "the install" log_has_line "The update has been installed."
            [ "$(cat "$demo/Pintrel 2.app/Contents/Resources/readme.txt")" = "Pintrel 2, version 2.0.2" ] ||
                fail "the installed file is not the new one"
            ;;
        open-page)
            updater_click message
            wait_for "the page to open" grep -qx "open http://127.0.0.1/pintrel2/download.html" "$demo/launches"
            ;;
        no-opener)
            # No program can show the page: the red line names it, and no alert is raised.
            updater_click message
            wait_for "the page's failure" log_has_line \
                "No program on this computer could open the page http://127.0.0.1/pintrel2/download.html."
            ! grep -q "could not be located" "$demo/updater.out" || fail "the failure was also shown as an alert"
            ;;
        again)
            # The message panel is on again after the failure: the second click checks again.
            updater_click message
            wait_for "the second check" log_count_is "${expected_tail##*$'\n'}" 2
            log_count_is "Checking for updates..." 2 || fail "no second check"
            ;;
        finish)
            cmp -s "$demo/demo-update.pnu" "$demo/Pintrel Updater.app/Contents/updatersource.pnu" ||
                fail "the received package was not kept as the updater's source"
            # The finish message installs what was received and quits.
            updater_click message
            updater_wait_exit
            [ "$(cat "$demo/Pintrel 2.app/Contents/Resources/readme.txt")" = "Pintrel 2, version 2.0.2" ] ||
                fail "the finish message did not install the package"
            return
            ;;
    esac
    updater_click quit
    updater_wait_exit
}

log_count_is() { [ "$(read_log | grep -cxF -- "$1")" -eq "$2" ]; }

found="Server location found, now attempting to contact server."
response="Received response from server, download is ready to begin."
start_error="-- An error occurred when trying to start the download: --"
not_started="Download couldn't be started!"
no_connect="Found the location of the download server, but couldn't connect to it. Please check your Internet connection, or try again later!"

run_form package "Looking up server...
$found
$response
Update file received OK.
Update received. Click the message to install it." install
run_form package-save "Looking up server...
$found
$response
The server asked for a new copy of the updater.
Update file received OK." finish
run_form uptodate "Looking up server...
$found
$response
Your Pintrel 2 is up to date." none
run_form refused-location "Looking up server...
$found
$response
$start_error
This version must be updated by hand.
$not_started
The update can be downloaded from http://127.0.0.1/pintrel2/download.html (click the message to open the page)." open-page
mkdir -p "$x11_work/no-programs"
record_launches="" updater_path="$x11_work/no-programs" run_form refused-location "Looking up server...
$found
$response
$start_error
This version must be updated by hand.
$not_started
The update can be downloaded from http://127.0.0.1/pintrel2/download.html (click the message to open the page)." no-opener
run_form refused "Looking up server...
$found
$response
$start_error
No update is offered for this build.
$not_started" none
run_form no-failtype "Looking up server...
$found
$response
$start_error
Unknown fail reason, header not found
$not_started" none
run_form short "Looking up server...
$found
$response
-- An error occurred during the download: --
\"Connection failed during download.\"
Download Failed!" none
run_form trickle "Looking up server...
$found
$response
The server sent less than 3 KB in 3 seconds, so the transfer was stopped. Please try again later!" again
run_form notfound "Looking up server...
$found
The server answered \"404 Not Found\" instead of sending the update. Please try again later!" none
run_form nohttp "Looking up server...
$found
The server's reply is not an HTTP reply. Please try again later!" none
run_form close "Looking up server...
$found
The server closed the connection before replying. Please try again later!" none
run_form refused-connection "Looking up server...
$found
$no_connect" none
run_form unresolvable "Looking up server...
Unable to locate the download server - please check your Internet connection, or try again later!" none
echo "ok"
