#!/usr/bin/env bash
# The shipped chrony example is read by chrony's own parser: `chronyd -p` prints the configuration
# and exits. chronyd comes from Debian's package unpacked into a scratch folder, never installed
# (installing starts a daemon that moves the clock), and runs with no capability at all, as nobody
# where the test runs as root.
#   check-chrony-example.sh <examples folder> <cache folder>
set -euo pipefail
examples=$1
cache=$2
skip=77
chronyd=$cache/chrony/usr/sbin/chronyd
if [ ! -x "$chronyd" ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    download() { (cd "$scratch" && apt-get download -q chrony >/dev/null 2>&1); }
    # A machine whose package lists were never fetched knows no chrony yet.
    if ! download && ! { [ "$(id -u)" -eq 0 ] && apt-get update -qq >/dev/null 2>&1 && download; }; then
        [ "${CI:-}" = true ] && { echo "FAIL: apt-get download chrony failed"; exit 1; }
        echo "SKIP: chrony's package could not be downloaded"
        exit $skip
    fi
    mkdir -p "$cache/chrony"
    dpkg-deb -x "$scratch"/chrony_*.deb "$cache/chrony"
fi

run=("$chronyd")
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "SKIP: needs setpriv"; exit $skip; }
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all --bounding-set=-all
         "$chronyd")
fi
parsed=$("${run[@]}" -p -f "$examples/chrony-gps.conf" 2>&1) || {
    echo "FAIL: chronyd refused the example:"
    echo "$parsed"
    exit 1
}
for directive in "refclock SHM 0" "refclock SOCK" "allow"; do
    grep -q "^$directive" <<<"$parsed" || { echo "FAIL: no '$directive' in what chronyd read"; exit 1; }
done
# The gpsd defaults file is sourced by a shell.
bash -n "$examples/gpsd.default"
echo "chrony read the example: $(grep -c . <<<"$parsed") directives"
