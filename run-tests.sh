#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors and runs the whole suite twice:
# once plain, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)
for config in plain sanitize; do
    dir=build/test-$config
    options=(-DCMAKE_BUILD_TYPE=Debug -DHOROLUX_WERROR=ON)
    [ "$config" = sanitize ] && options+=(-DHOROLUX_SANITIZE=ON)
    command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    echo "== $config build"
    cmake -S . -B "$dir" "${options[@]}" >/dev/null
    cmake --build "$dir" -j"$jobs"
    echo "== $config tests"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
done
