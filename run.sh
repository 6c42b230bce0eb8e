#!/usr/bin/env bash
# Installs what is needed, builds Horolux and starts it (it appears in the notification area).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target horolux horolux-settime
exec build/release/horolux
