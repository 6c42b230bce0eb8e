#!/usr/bin/env bash
# allow-clock.sh in a throwaway root (--root), with logging stand-ins for the commands that
# change groups, owners and capabilities: folders another user could change and a link in place
# of the folder's helper are refused; otherwise a copy of the helper is installed in the root.
#   allow_clock_test.sh scripts/allow-clock.sh path/to/horolux-settime
set -euo pipefail
script=$1
built=$2
[ "$(id -u)" -eq 0 ] || { echo "allow_clock: needs root to own the throwaway root: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
mkdir "$work/bin"
for tool in setcap chown chgrp groupadd usermod getent; do
    # getent finds no group horolux; the rest only log.
    printf '#!/bin/sh\necho "%s $*" >>"$CALLS"\n[ %s != getent ]\n' "$tool" "$tool" \
        >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
done
failures=0

# run_case name setup expected: setup runs with $root and $folder set; expected is "installed"
# or "refused".
run_case() {
    local name=$1 setup=$2 expected=$3 status=0
    root="$work/$name/root"
    folder="$work/$name/folder"
    export CALLS="$work/$name/calls"
    mkdir -p "$root" "$folder"
    cp -- "$built" "$folder/horolux-settime"
    eval "$setup"
    PATH="$work/bin:$PATH" bash "$script" --root "$root" "$folder" alice \
        >"$work/$name/out" 2>&1 || status=$?
    local helper="$root/usr/local/libexec/horolux/horolux-settime" outcome=refused
    [ "$status" -eq 0 ] && [ -f "$helper" ] && outcome=installed
    if [ "$outcome" != "$expected" ] || { [ "$outcome" = refused ] && grep -q setcap "$CALLS" 2>/dev/null; }; then
        echo "allow_clock: $name: $outcome, expected $expected" >&2
        cat "$work/$name/out" >&2
        failures=$((failures + 1))
    fi
}

run_case good '' installed
run_case other-writable 'mkdir -p "$root/usr/local" && /bin/chmod 0777 "$root/usr/local"' refused
run_case other-user 'mkdir -p "$root/usr/local" && /bin/chown 65534 "$root/usr/local"' refused
run_case group-writable 'mkdir -p "$root/usr" && /bin/chgrp 65534 "$root/usr" && /bin/chmod 0775 "$root/usr"' refused
run_case linked-helper 'mv "$folder/horolux-settime" "$work/elsewhere" && ln -s "$work/elsewhere" "$folder/horolux-settime"' refused

# The good case: a copy of the helper, mode 0750, given to root:horolux and the capability under
# a fresh name before it took the helper's; the stamp folder shared by the group; alice joined.
good="$work/good/root"
helper="$good/usr/local/libexec/horolux/horolux-settime"
cmp -s "$built" "$helper" || { echo "allow_clock: the installed helper is not a copy" >&2; failures=$((failures + 1)); }
[ "$(stat -c %a "$helper")" = 750 ] || { echo "allow_clock: helper mode $(stat -c %a "$helper")" >&2; failures=$((failures + 1)); }
[ "$(stat -c %a "$good/var/lib/horolux/settime")" = 3770 ] || { echo "allow_clock: stamp folder mode $(stat -c %a "$good/var/lib/horolux/settime")" >&2; failures=$((failures + 1)); }
calls=$(sed -E "s#$good/usr/local/libexec/horolux/\.horolux-settime\.[A-Za-z0-9]+#STAGED#; s#$good#ROOT#" "$work/good/calls")
expected="getent group horolux
groupadd --system horolux
chown root:horolux STAGED
setcap cap_sys_time+ep STAGED
chgrp horolux ROOT/var/lib/horolux/settime
usermod -a -G horolux alice"
if [ "$calls" != "$expected" ]; then
    printf 'allow_clock: calls were\n%s\nexpected\n%s\n' "$calls" "$expected" >&2
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "allow_clock: refused 4 unsafe set-ups, installed the good one"
exit "$failures"
