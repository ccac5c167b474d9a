#!/usr/bin/env bash
# Installs the Debian packages that are missing, of one of two sets:
#
#   tools/install-deps.sh run    what ./run needs: the build of the updater and its demo under Xvfb
#   tools/install-deps.sh        what ./test needs: the above and the test tools
#   tools/install-deps.sh --list [run]   prints the set, one package a line, and installs nothing
#
# No service of a package installed here is started or left enabled at boot: the install runs
# under a policy that forbids starting services (unless the machine already has its own policy),
# and afterwards every service that a newly installed package brings (the packages it pulled in
# too) is stopped and disabled. The tests start the servers they need themselves.
set -euo pipefail

# What building and running the updater needs.
run_packages=(
    cmake ninja-build g++ pkg-config python3
    libfreetype-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev libdivsufsort-dev libsdl2-dev libx11-dev libfontconfig-dev
    fonts-dejavu-core xvfb xdotool x11-utils imagemagick
)

# What the tests, the sanitizer and fuzz builds, the benchmarks and the maintainers' tools
# (coverage, unnamed functions) need besides.
test_packages=(
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
    rsync xclip nginx curl python3-pil strace gcovr universal-ctags
)

usage() {
    cat <<'EOF_USAGE'
Usage: tools/install-deps.sh [run] [--list] [--help]

Installs, with apt-get, the Debian packages of one set that are missing; installs nothing when
none is. Services the new packages bring are not started, and are disabled at boot.

  (no set)  what ./test needs: the build, the tests, the sanitizer and fuzz builds and the tools
  run       what ./run needs: the build of the updater and its demonstration under Xvfb
  --list    prints the set, one package a line, and installs nothing
  --help    shows this text and installs nothing
EOF_USAGE
}

set_name="test"
list_only=""
while [ $# -gt 0 ]; do
    case "$1" in
        run) set_name=run ;;
        --list) list_only=yes ;;
        --help|-h) usage; exit 0 ;;
        *) { echo "install-deps.sh: unknown argument \"$1\""; echo; usage; } >&2; exit 2 ;;
    esac
    shift
done
packages=("${run_packages[@]}")
[ "$set_name" = run ] || packages+=("${test_packages[@]}")
if [ -n "$list_only" ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

installed() { dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' 2>/dev/null | awk '$1 == "ii" { print $2 }' | sort; }

missing=()
for package in "${packages[@]}"; do
    if ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# A policy that refuses every start (status 101) for the time of the install, where the machine
# has none of its own; it is removed again however the install ends.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# Placed by install-deps.sh for the time of an install: no service starts.\nexit 101\n' |
        $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    own_policy=yes
fi
trap '[ -z "$own_policy" ] || $sudo rm -f "$policy"' EXIT

before=$(installed)
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
added=$(comm -13 <(echo "$before") <(installed))

# Stops and disables the services of the packages just added: systemd units where systemd is
# there, the init scripts of the runlevels otherwise (update-rc.d keeps a disabled script disabled
# through upgrades, where "remove" would have its links made again).
systemd_running=""
[ -d /run/systemd/system ] && systemd_running=yes
for package in $added; do
    disabled=()
    while read -r file; do
        name=${file##*/}
        case "$file" in
            /etc/init.d/*)
                # A script that only sets the system up at boot (runlevel S, as x11-common's
                # folder for X sockets) runs no server: it stays.
                grep -qE '^# *Default-Start:.*[2-5]' "$file" || continue
                if [ -z "$systemd_running" ] && command -v invoke-rc.d >/dev/null; then
                    $sudo invoke-rc.d "$name" stop >/dev/null 2>&1 || true
                fi
                if command -v update-rc.d >/dev/null; then
                    $sudo update-rc.d "$name" disable >/dev/null 2>&1 || true
                fi
                ;;
            *)
                if command -v systemctl >/dev/null; then
                    if [ -n "$systemd_running" ]; then
                        $sudo systemctl disable --now "$name" >/dev/null 2>&1 || true
                    else
                        $sudo systemctl disable "$name" >/dev/null 2>&1 || true
                    fi
                fi
                ;;
        esac
        disabled+=("$name")
    done < <(dpkg -L "$package" 2>/dev/null |
        grep -E '^(/etc/init\.d/[^/]+|(/usr)?/lib/systemd/system/[^/]+\.(service|socket|timer|path))$' || true)
    [ ${#disabled[@]} -eq 0 ] || echo "Stopped and disabled at boot, of $package: ${disabled[*]}"
done
