#!/usr/bin/env bash
# Installs what building and running Horolux needs on Debian 12; with --test, also what the tests
# need (fuzzing, end-to-end tests on Xvfb, gpsd as a reference, the package and its checks).
#   scripts/install-deps.sh [--test]
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libcap-dev libglib2.0-dev
          libxcb1-dev fonts-liberation2)
test_packages=(clang libclang-rt-14-dev xvfb xauth x11-utils xdotool trayer gpsd gpsd-clients
               desktop-file-utils appstream dpkg-dev file libcap2-bin clang-format python3
               lintian)
case "${1:-}" in
    "") ;;
    --test) packages+=("${test_packages[@]}") ;;
    *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
