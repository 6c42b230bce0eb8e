#!/usr/bin/env bash
# Builds the sentence fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) and runs it for a
# bounded time on the committed corpus. Exits non-zero when it finds a crash or a failed check.
#   scripts/fuzz.sh [seconds]      (default 60)
# New inputs go to a temporary folder: the committed corpus in fuzz/corpus is only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: $0 [seconds]" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2; exit 2; }

build=build/fuzz
options=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S fuzz -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/new" "$build/crashes"
echo "== fuzzing the sentence reader for ${seconds} s"
# The first folder receives new inputs; a crashing input is kept in build/fuzz/crashes.
if ! "$build/fuzz_rmc" "$work/new" fuzz/corpus -dict=fuzz/rmc.dict -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/" >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    echo "fuzz: FAILED (input kept in $build/crashes/)" >&2
    exit 1
fi
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+[[:space:]]+DONE)' "$work/log" || true
echo "fuzz: passed, no crash in ${seconds} s ($(ls "$work/new" | wc -l) new inputs found, not kept)"
