#!/usr/bin/env bash
# Gives the members of the group horolux the right to set the clock through the helper of a
# portable Horolux folder, and makes a user a member. The folder's helper is copied into a
# root-owned place, /usr/local/libexec/horolux/horolux-settime (root:horolux, mode 0750,
# cap_sys_time), where the program looks for it: the folder's owner can change nothing there.
# Only the helper holds the right; never give it to horolux itself (a whole desktop program
# would hold it, with plugins and settings the user controls). Run it again after installing a
# new version.
#   sudo scripts/allow-clock.sh [--root DIR] /folder/of/horolux [user]
#     user: default the one behind sudo; --root: install under DIR instead of / (for tests)
set -euo pipefail
usage() { echo "usage: sudo $0 [--root DIR] /folder/of/horolux [user]" >&2; exit 2; }
fail() { echo "$0: $*" >&2; exit 1; }
root=
if [ "${1:-}" = --root ]; then
    [ $# -ge 2 ] || usage
    root=${2%/}
    shift 2
fi
[ $# -ge 1 ] || usage
[ "$(id -u)" -eq 0 ] || { echo "$0: run it with sudo" >&2; exit 2; }
source_helper="$1/horolux-settime"
user=${2:-${SUDO_USER:-}}
target_dir="$root/usr/local/libexec/horolux"
stamp_dir="$root/var/lib/horolux/settime"
command -v setcap >/dev/null || fail "setcap is missing (apt-get install libcap2-bin)"

# Every folder from / down to `dir` must be root's, and writable by nobody else (a root-owned
# folder with the sticky bit, like /tmp, lets no one else rename or remove what root put in it).
check_root_owned() {
    local dir=$1 owner mode
    while :; do
        read -r owner mode < <(stat -c '%u %a' -- "$dir")
        [ "$owner" -eq 0 ] || fail "$dir belongs to another user: refused"
        if (( 8#$mode & 8#020 )) && [ "$(stat -c %g -- "$dir")" -ne 0 ]; then
            fail "$dir is writable by its group: refused"
        fi
        if (( 8#$mode & 8#002 )) && ! (( 8#$mode & 8#1000 )); then
            fail "$dir is writable by everyone: refused"
        fi
        [ "$dir" = / ] && return 0
        dir=$(dirname -- "$dir")
    done
}

make_root_dir() {
    local dir=$1 parent
    parent=$(dirname -- "$dir")
    [ -d "$parent" ] || make_root_dir "$parent"
    check_root_owned "$parent"
    [ -d "$dir" ] && [ ! -L "$dir" ] || mkdir -m 0755 -- "$dir"
}

[ -f "$source_helper" ] && [ ! -L "$source_helper" ] || fail "no helper at $source_helper"
make_root_dir "$target_dir"
check_root_owned "$target_dir"
getent group horolux >/dev/null || groupadd --system horolux

# A fresh name inside the checked folder: nothing below is done by a path anyone else can swap.
# The folder's helper is read as its owner and without following a link, so that it can name
# nothing that user could not read anyway.
staged=$(mktemp -- "$target_dir/.horolux-settime.XXXXXX")
trap 'rm -f -- "$staged"' EXIT
owner=$(stat -c %u -- "$1")
reader=()
[ "$owner" -eq 0 ] || reader=(setpriv --reuid="$owner" --regid="$(stat -c %g -- "$1")" --clear-groups --)
"${reader[@]}" dd if="$source_helper" iflag=nofollow status=none >"$staged" \
    || fail "cannot read $source_helper (a link in its place?): refused"
[ "$(head -c 4 -- "$staged" | od -An -c | tr -d ' ')" = '177ELF' ] || fail "$source_helper is no program"
# In this order: a change of owner or group clears a file capability.
chown root:horolux "$staged"
chmod 0750 "$staged"
setcap cap_sys_time+ep "$staged"
mv -f -T -- "$staged" "$target_dir/horolux-settime"
trap - EXIT

# The helper records its last step here, shared by the group (see the helper's step limit).
make_root_dir "$stamp_dir"
chgrp horolux "$stamp_dir"
chmod 3770 "$stamp_dir"

if [ -n "$user" ] && [ "$user" != root ]; then
    usermod -a -G horolux "$user"
    echo "$user may now set the clock through Horolux after logging out and in again."
fi
