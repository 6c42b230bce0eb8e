#!/usr/bin/env bash
# Gives the clock-setting helper of a portable Horolux folder the right to set the clock, for the
# members of the group horolux, and makes a user a member. Only the helper holds the right; never
# give it to horolux itself (a whole desktop program would hold it, with plugins and settings the
# user controls).
#   sudo scripts/allow-clock.sh /folder/of/horolux [user]      (user: default the one behind sudo)
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: sudo $0 /folder/of/horolux [user]" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "$0: run it with sudo" >&2; exit 2; }
helper="$1/horolux-settime"
user=${2:-${SUDO_USER:-}}
[ -f "$helper" ] && [ ! -L "$helper" ] || { echo "$0: no helper at $helper" >&2; exit 1; }
command -v setcap >/dev/null || { echo "$0: setcap is missing (apt-get install libcap2-bin)" >&2; exit 1; }

getent group horolux >/dev/null || groupadd --system horolux
# In this order: a change of owner or group clears a file capability.
chown root:horolux "$helper"
chmod 0750 "$helper"
setcap cap_sys_time+ep "$helper"
if [ -n "$user" ] && [ "$user" != root ]; then
    usermod -a -G horolux "$user"
    echo "$user may now set the clock through Horolux after logging out and in again."
fi
