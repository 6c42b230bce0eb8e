#!/usr/bin/env bash
# Builds the Debian package from a release build and checks its files and Depends. Only where
# CI=true (a fresh, disposable machine) does it also install the package, check the clock helper's
# owner, group, mode and capability (never running it: with a file capability the loader ignores
# LD_PRELOAD, so the clock shim would not load), run the installed program on Xvfb with the clock
# shim preloaded against a receiver on a pseudo-terminal mapped in ports.conf, and purge it.
#   scripts/check-package.sh [build folder]          (default: build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/package}
fail() { echo "check-package: $*" >&2; exit 1; }

# The package's clock-setting helper, read with readelf and never run: position independent
# (DYN with DF_1_PIE), relocations read-only before main (RELRO with BIND_NOW), stack guards and
# checked C library calls, and no C++ library.
check_helper_hardening() {
    local deb=$1 unpacked helper header dynamic symbols
    unpacked=$(mktemp -d)
    dpkg-deb -x "$deb" "$unpacked"
    helper="$unpacked/usr/libexec/horolux/horolux-settime"
    header=$(readelf -hW "$helper")
    dynamic=$(readelf -dW "$helper")
    symbols=$(readelf --dyn-syms -W "$helper")
    grep -q GNU_RELRO <(readelf -lW "$helper") || fail "the helper has no RELRO segment"
    rm -rf "$unpacked"
    grep -Eq 'Type:\s+DYN' <<<"$header" || fail "the helper is no position-independent executable"
    grep -Eq 'FLAGS_1\).*\bPIE\b' <<<"$dynamic" || fail "the helper lacks DF_1_PIE"
    grep -Eq '\(BIND_NOW\)|\(FLAGS\).*\bBIND_NOW\b|\(FLAGS_1\).*\bNOW\b' <<<"$dynamic" \
        || fail "the helper binds lazily (no -z now): its RELRO is partial"
    grep -q '__stack_chk_fail@' <<<"$symbols" || fail "the helper has no stack protector"
    grep -Eq '__[a-z]+_chk@' <<<"$symbols" || fail "the helper calls no checked functions (_FORTIFY_SOURCE)"
    ! grep -q 'NEEDED.*libstdc++' <<<"$dynamic" || fail "the helper needs libstdc++"
}

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

# Debian's own checks: any error or warning fails, and every tag found is shown.
check_lintian() {
    command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh --test)"
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" \
        || fail "lintian found errors or warnings in $deb (above)"
}
check_lintian
check_helper_hardening "$deb"

echo "check-package: $deb: $(wc -l <<<"$contents") entries; Depends: $depends"

[ "${CI:-}" = true ] || exit 0

# --- CI only: install, inspect, run briefly, purge -------------------------------------------
# As root the program sets the clock itself (through the shim) and never starts the helper.
[ "$(id -u)" -eq 0 ] || fail "the install check needs root"
work=$(mktemp -d)
xvfb=
pid=
receiver=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    [ -n "$receiver" ] && kill "$receiver" 2>/dev/null
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
# A receiver on a pseudo-terminal that ports.conf maps to COM1 talks five times a second; the
# program's own clock starts on 14 July 2031, 09:41:05 UTC. Its sentence names a second a day
# after the package's build (its configure time, or SOURCE_DATE_EPOCH): a date the program sets.
sent=$((${SOURCE_DATE_EPOCH:-$(date -u +%s)} + 86400))
python3 - "$work/receiver" "$sent" <<'PY' &
import functools, os, pty, sys, time, tty
master, slave = pty.openpty()
tty.setraw(slave)
os.set_blocking(master, False)
with open(sys.argv[1] + ".part", "w") as named:
    named.write(os.ttyname(slave))
os.rename(sys.argv[1] + ".part", sys.argv[1])
at = time.gmtime(int(sys.argv[2]))
body = ("GPRMC," + time.strftime("%H%M%S", at) + ",A,4807.038,N,01131.000,E,022.4,084.4,"
        + time.strftime("%d%m%y", at) + ",003.1,W").encode()
checksum = functools.reduce(lambda sum, c: sum ^ c, body, 0)
sentence = b"$" + body + b"*%02X\r\n" % checksum
for _ in range(300):
    try:
        os.write(master, sentence)
    except BlockingIOError:
        pass
    time.sleep(0.2)
PY
receiver=$!
for _ in $(seq 100); do [ -s "$work/receiver" ] && break; sleep 0.1; done
[ -s "$work/receiver" ] || fail "no pseudo-terminal for the receiver"
mkdir -p "$work/config/horolux"
printf '\001\000\000' >"$work/config/horolux/GPSInit.ini"
printf '[COM1]\ndevice=%s\nspeed=4800\n' "$(cat "$work/receiver")" >"$work/config/horolux/ports.conf"
env HOME="$work" XDG_CONFIG_HOME="$work/config" DISPLAY=":$(cat "$work/display")" TZ=UTC \
    LD_PRELOAD="$shim" HOROLUX_SHIM_LOG="$work/shim.log" \
    HOROLUX_SHIM_START_MS=$(($(date -u -d 2031-07-14T09:41:05 +%s) * 1000)) /usr/bin/horolux &
pid=$!
# Its first tick sets the clock to the sentence's second.
expected=$((sent * 1000))
for _ in $(seq 150); do [ -s "$work/shim.log" ] && break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null || fail "the installed program ended early"
grep -q "$shim" "/proc/$pid/maps" || fail "the clock shim is not loaded"
[ "$(head -n1 "$work/shim.log" 2>/dev/null)" = "$expected" ] \
    || fail "the installed program did not set its clock from the receiver on the mapped port: $(cat "$work/shim.log" 2>/dev/null)"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the installed program ended with status $status on SIGTERM"

DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq horolux >/dev/null
if [ -e /usr/bin/horolux ] || [ -e "$helper" ]; then fail "files left after purge"; fi
! getent group horolux >/dev/null || fail "the group horolux is left after purge"
echo "check-package: installed, inspected, set its clock from a mapped port and purged cleanly"
