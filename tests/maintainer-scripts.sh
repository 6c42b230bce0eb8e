#!/usr/bin/env bash
# shellcheck disable=SC2016 # the stand-ins expand $WORK and $* when they run
# The package's maintainer scripts against stand-ins that log their calls instead of touching the
# system's groups, owners, modes and capabilities; the package's state folder is a scratch one.
#   tests/maintainer-scripts.sh <packaging/debian folder>
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in addgroup groupadd delgroup groupdel setcap chown chgrp chmod; do
    printf '#!/bin/sh\necho "%s $*" >>"$WORK/log"\n' "$tool" >"$work/bin/$tool"
done
printf '#!/bin/sh\n[ -s "$WORK/group" ] || exit 2\ncat "$WORK/group"\n' >"$work/bin/getent"
printf '#!/bin/sh\n[ -s "$WORK/override" ] || exit 1\ncat "$WORK/override"\n' \
    >"$work/bin/dpkg-statoverride"
chmod +x "$work"/bin/*
for script in postinst prerm postrm; do
    sed "s|@HOROLUX_INSTALLED_HELPER@|$work/helper|" "$1/$script" >"$work/$script"
done
touch "$work/helper"

failures=0
# name | group entry | statoverride | recorded before | script and arguments | status | calls |
# recorded after
grant="chgrp horolux W/helper;chmod 0750 W/helper;setcap cap_sys_time+ep W/helper"
folder="chown root:horolux W/state/settime"
while IFS='|' read -r name group override before command status calls after; do
    rm -rf "$work/state"
    mkdir "$work/state"
    : >"$work/log"
    [ "$before" = no ] || touch "$work/state/group-created"
    printf '%s' "$group" >"$work/group"
    printf '%s' "$override" >"$work/override"
    got=0
    # shellcheck disable=SC2086 # the command is split on purpose
    PATH="$work/bin:$PATH" WORK=$work HOROLUX_STATE_DIR=$work/state sh $work/$command \
        2>"$work/err" || got=$?
    log=$(sed "s|$work|W|g" "$work/log" | paste -sd';')
    now=no
    [ ! -e "$work/state/group-created" ] || now=yes
    calls=${calls//GRANT/$grant}
    calls=${calls//FOLDER/$folder}
    [ "$got" = 0 ] || grep -q "not a system group" "$work/err" || got="$got without a reason"
    if [ "$got" != "$status" ] || [ "$log" != "$calls" ] || [ "$now" != "$after" ]; then
        echo "FAIL $name: status $got, calls '$log', recorded $now; expected $status, '$calls', $after"
        cat "$work/err"
        failures=$((failures + 1))
    fi
done <<'ROWS'
group absent: made a system group, recorded|||no|postinst configure|0|addgroup --system --quiet horolux;FOLDER;GRANT|yes
system group: adopted, not recorded|horolux:x:150:||no|postinst configure|0|FOLDER;GRANT|no
user's group: refused|horolux:x:1500:||no|postinst configure|1||no
statoverride: no chgrp, chmod|horolux:x:150:|root horolux 750 x|no|postinst configure|0|FOLDER;setcap cap_sys_time+ep W/helper|no
statoverride for all: no capability|horolux:x:150:|root root 755 x|no|postinst configure|0|FOLDER|no
upgrade undone: rights again|horolux:x:150:||no|postinst abort-upgrade 1.7.0|0|FOLDER;GRANT|no
purge with record: group goes|horolux:x:150:||yes|postrm purge|0|delgroup --system --quiet horolux|no
purge without record: group kept|horolux:x:150:||no|postrm purge|0||no
remove: group kept|horolux:x:150:||yes|postrm remove|0||yes
prerm: capability removed first|horolux:x:150:||no|prerm remove|0|setcap -r W/helper|no
ROWS

# The helper's folder for root and the group, and purge leaves nothing of the package's state.
rm -rf "$work/state"
export PATH="$work/bin:$PATH" WORK=$work HOROLUX_STATE_DIR=$work/state
sh "$work/postinst" configure
mode=$(stat -c %a "$work/state/settime")
sh "$work/postrm" purge
if [ "$mode" != 3770 ] || [ -e "$work/state" ]; then
    echo "FAIL the helper's folder: mode $mode, left after purge: $(ls -A "$work/state" 2>&1)"
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "maintainer scripts: all rows passed"
exit "$failures"
