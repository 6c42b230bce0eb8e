#!/usr/bin/env bash
# Installs what is needed, then: checks every tracked source file's formatting, fuzzes the
# sentence reader for a bounded time, builds with warnings as errors and runs the whole suite
# (unit, soak and end-to-end tests), and runs the unit and soak tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --test
jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

echo "== formatting (clang-format, .clang-format)"
git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run --Werror

scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

suite() { # build folder, ctest options...
    local dir=$1
    shift
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" "$@" && return 0
    # A CI log keeps only its tail: the failed checks and where they are go last.
    echo "== what failed in $dir"
    grep -h -A2 -E "^(FAIL!|XPASS)" "$dir"/Testing/Temporary/LastTest*.log | cut -c1-300 || true
    return 1
}

build() { # folder, extra options...
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE= -DHOROLUX_WERROR=ON "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
build build/test-sanitize -DHOROLUX_SANITIZE=ON
suite build/test-sanitize -LE e2e

echo "== plain build"
build build/test-plain
suite build/test-plain

echo "== Debian package (installed and purged too where CI=true)"
scripts/check-package.sh
