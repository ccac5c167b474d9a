# The start of every script that drives the real updater on a private X server (sourced, with the
# script's own arguments SOURCE_DIR BUILD_DIR): names the folders and the program, loads the X
# helpers and stops at once when the program is not built.
source_dir=$1
build_dir=$2
program="Pintrel Updater.app/Contents/MacOS/Pintrel Updater"
source "$source_dir/tests/scripts/updater_x11.bash"
[ -x "$build_dir/$program" ] || { echo "the updater program is not built"; exit 1; }
