#!/usr/bin/env bash
# Builds the Debian package from a release build and checks its files and Depends. Only where
# CI=true (a fresh, disposable machine) does it also install the package, check the clock helper's
# owner, group, mode and capability (never running it: with a file capability the loader ignores
# LD_PRELOAD, so the clock shim would not load), run the installed program on Xvfb with the clock
# shim preloaded, and purge the package.
#   scripts/check-package.sh [build folder]          (default: build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/package}
fail() { echo "check-package: $*" >&2; exit 1; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
deb="$dir/horolux_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
(cd "$dir" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || fail "cpack made no $deb"

contents=$(dpkg-deb -c "$deb")
for path in bin/horolux libexec/horolux/horolux-settime share/horolux/Horolux.hlp \
        share/horolux/autostart/horolux.desktop share/applications/horolux.desktop \
        share/metainfo/horolux.metainfo.xml share/doc/horolux/README.md \
        share/icons/hicolor/{16x16,32x32,128x128}/apps/horolux.png \
        share/icons/hicolor/scalable/apps/horolux.svg; do
    grep -Eq "^\S+ root/root .* \./usr/$path\$" <<<"$contents" || fail "no root-owned /usr/$path in:
$contents"
done
outside=$(grep -Ev ' \./(usr(/.*)?)?$' <<<"$contents" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libqt6widgets6 libqt6serialport6 libcap2 fonts-liberation2 libcap2-bin adduser; do
    grep -Eq "(^|, )$package( |,|\$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
# The capability comes last: a change of group clears it.
order=$(dpkg-deb -I "$deb" postinst | grep -Eo '^\s*(chgrp|chmod|if ! setcap)' | tr -d ' ' | paste -sd,)
[ "$order" = "chgrp,chmod,if!setcap" ] || fail "postinst does chgrp, chmod, setcap out of order: $order"
dpkg-deb -I "$deb" postrm | grep -q purge || fail "postrm does not remove the group on purge"
echo "check-package: $deb: $(wc -l <<<"$contents") entries; Depends: $depends"

[ "${CI:-}" = true ] || exit 0

# --- CI only: install, inspect, run briefly, purge -------------------------------------------
# As root the program sets the clock itself (through the shim) and never starts the helper.
[ "$(id -u)" -eq 0 ] || fail "the install check needs root"
work=$(mktemp -d)
xvfb=
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq horolux >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" >/dev/null

helper=/usr/libexec/horolux/horolux-settime
[ "$(stat -c '%U %G %a' "$helper")" = "root horolux 750" ] \
    || fail "helper is $(stat -c '%U %G %a' "$helper"), not root horolux 750"
getcap "$helper" | grep -Eq 'cap_sys_time[=+]ep$' || fail "helper lacks cap_sys_time: $(getcap "$helper")"
[ -z "$(getcap /usr/bin/horolux)" ] || fail "the program itself carries a capability"

# The program holds no capability, so the loader honours LD_PRELOAD and the shim keeps the clock.
shim="$work/clockshim.so"
cc -shared -fPIC -O2 -o "$shim" tests/e2e/clockshim.c -ldl -pthread
Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
env HOME="$work" XDG_CONFIG_HOME="$work/config" DISPLAY=":$(cat "$work/display")" \
    LD_PRELOAD="$shim" HOROLUX_SHIM_LOG="$work/shim.log" /usr/bin/horolux &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the installed program ended within 2 s"
grep -q "$shim" "/proc/$pid/maps" || fail "the clock shim is not loaded"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the installed program ended with status $status on SIGTERM"

DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq horolux >/dev/null
if [ -e /usr/bin/horolux ] || [ -e "$helper" ]; then fail "files left after purge"; fi
! getent group horolux >/dev/null || fail "the group horolux is left after purge"
echo "check-package: installed, inspected, ran and purged cleanly"
