#!/usr/bin/env bash
# Installs what building, running and testing Horolux needs on Debian 12.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libcap-dev
          xvfb xauth x11-utils xdotool trayer gpsd gpsd-clients clang libclang-rt-14-dev
          desktop-file-utils fonts-liberation2 clang-format)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
