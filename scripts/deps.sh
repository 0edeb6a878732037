#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Marvoli need, when missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkgconf clang-format clang-tidy
    qt6-base-dev qt6-translations-l10n libmpv-dev libmspack-dev
    xvfb xauth dbus trayer openbox x11-utils fonts-noto-core fonts-kacst ca-certificates
    gcab ffmpeg espeak-ng libglib2.0-bin
    minisign libsodium-dev
    clang libclang-rt-14-dev
    libx11-dev libxkbfile-dev x11-xkb-utils
    at-spi2-core python3-pyatspi xdotool
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
