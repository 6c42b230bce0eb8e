#!/usr/bin/env bash
# The program gives back a capability its executable was given. A copy carries a harmless one
# (cap_net_bind_service), runs as nobody with no settings file and no helper, so it never tries
# to set the clock; its capability sets are read from /proc while it runs.
#   capdrop.sh <horolux executable>
set -euo pipefail
program=$1
skip=77
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to give the copy a capability"; exit $skip; }
for tool in setcap setpriv; do
    command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit $skip; }
done

dir=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
chmod 755 "$dir"
cp "$program" "$dir/horolux"
setcap cap_net_bind_service+ep "$dir/horolux"
mkdir "$dir/run"
chown nobody "$dir/run"
chmod 700 "$dir/run"

env -i QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/run" HOME="$dir/run" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$dir/horolux" 2>"$dir/stderr" &
pid=$!

field() { awk -v f="$1:" '$1 == f { print $2 }' "/proc/$pid/status"; }
for _ in $(seq 100); do
    if [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$dir/horolux" ] && grep -q "dropped" "$dir/stderr"; then
        break
    fi
    sleep 0.1
done
status=0
for set in CapPrm CapEff CapAmb CapInh; do
    value=$(field "$set")
    echo "$set $value"
    [ "$value" = 0000000000000000 ] || status=1
done
uid=$(awk '$1 == "Uid:" { print $2 $3 $4 $5 }' "/proc/$pid/status")
nobody=$(id -u nobody)
[ "$uid" = "$nobody$nobody$nobody$nobody" ] || { echo "user ids: $uid"; status=1; }
cat "$dir/stderr"
[ $status -eq 0 ] && echo "capabilities dropped: passed" || echo "capabilities kept: FAILED"
exit $status
