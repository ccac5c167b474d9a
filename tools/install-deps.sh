#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libfreetype-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev libdivsufsort-dev libsdl2-dev libx11-dev libfontconfig-dev
    fonts-dejavu-core libgtest-dev libgmock-dev libbenchmark-dev rsync
    xvfb xdotool x11-utils xclip nginx curl python3 libpixman-1-dev imagemagick python3-pil strace
)

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
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
