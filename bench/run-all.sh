#!/usr/bin/env bash
# Measures every row of the performance table side by side with its reference and writes the
# results to docs/performance.md. Builds the release programs it needs first (in build/bench);
# the measuring itself takes about three minutes and needs no display of its own.
#
#   bench/run-all.sh             the table
#   bench/run-all.sh --picture   draws docs/in-use.png and docs/history-window.png instead (on Xvfb)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build/bench
options=(-DCMAKE_BUILD_TYPE=Release)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" "${options[@]}" >/dev/null
if [[ ${1:-} == --picture ]]; then
    # The pictures are taken from the virtual desktop with ImageMagick's import.
    if ! command -v import >/dev/null; then
        SUDO=""
        [ "$(id -u)" -ne 0 ] && SUDO=sudo
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends imagemagick
    fi
    cmake --build "$build" -j"$(nproc)" --target docs_inusepicture
    exec "$build/bench/docs_inusepicture"
fi
cmake --build "$build" -j"$(nproc)" --target horolux horolux-settime-test horolux_clockshim bench_bare_window \
    bench_decode bench_settingerror bench_waiting bench_departure bench_desktop

# How each row is measured: the text under the table.
notes() {
    cat <<'NOTES'

## How each row is measured

- **Decode latency** (`bench_decode`): gpsd runs as `gpsd -N -n -b` on a pseudo-terminal; the
  program's receive path (the real clock-setting command, search and decoder, in-process, with a
  clock that records the moment it is set instead of setting it) reads another pseudo-terminal.
  Each of 500 sentences, a new second each, goes first to gpsd, then to the program. gpsd: from
  writing the last character to reading its TPV report of that second on its JSON socket. Ours:
  from writing the last character to the clock-setting call. The program takes one character per
  read and yields between reads: the program's queued events run after every character, the
  window system's queue at least every 0.2 ms while a burst of buffered characters is read (one
  poll of every descriptor costs more than a character), and each time it waits for input. The row "through horolux-settime" times the
  same lines to the answer of the clock-setting helper, already running and started with the
  clock shim preloaded (checked in its memory map before any request), as a user who is not root
  sets the clock.
- **Clock minus GPS time after a setting** (`bench_settingerror`): the same in-process receive
  path and recording clock, the setting started by the "Set Time" command a tenth of a second
  before each second, one a second. A thread plays the receiver on a pseudo-terminal: it begins
  the sentence naming each second of the machine's clock a fixed delay after that second (80 ms
  at 2400 baud, 120 ms at 9600) and writes it a character at a time, each when its stop bit
  would arrive at 10 bits a character (`clock_nanosleep(TIMER_ABSTIME)` on the machine's
  clock; for the last character it wakes a millisecond early and waits out the rest awake),
  so the last character arrives when it would on a real line. Like a line, the thread keeps
  its pace on a busy machine: it runs at real-time priority where the user may (root, or a
  real-time limit); the output gives how late its last characters left. The receive port is
  mapped in `ports.conf` with `speed=` and that `delay=`. GPS time is the machine's time: the
  error of a setting is the value written minus the machine's time at the moment of the
  setting; 30 settings per speed after two that are not counted. Reference: the same run
  without `delay=`, when the clock is set to the whole second the sentence names (10 settings
  per speed).
- **Idle** (`bench_desktop`): the real executable, copied into a temporary folder with
  `GPSInit.ini` (receive port 1, transmit port 2) and `ports/COM1`, `ports/COM2` linked to
  pseudo-terminals, on Xvfb with trayer as the tray host, so that its window stays hidden in the
  tray. It is preloaded with the end-to-end tests' clock shim, so it never sets the machine's
  clock; one sentence on its receive port lets its first clock setting finish, then it is left
  alone for 60 s (at a few hundredths of a percent of a core, 20 s vary by a tenth from run to
  run). Over the same 60 s, read the same way: a Qt program without a window whose only
  work is a one-second QTimer (`bench_bare_window --tick`, the floor for a program that must see
  every change of the clock's second), and gpsd on a silent pseudo-terminal without clients (it
  sleeps until its device speaks, so it does not wake at all and a ratio to it is not a number).
  Wake-ups are voluntary plus involuntary context switches of all threads
  (`/proc/<pid>/task/*/status`); CPU is the on-CPU time of all threads
  (`/proc/<pid>/task/*/schedstat`, nanoseconds; the clock-tick utime + stime of `/proc/<pid>/stat`
  is in the output below).
- **Idle with a streaming receiver** (`bench_desktop`): right after the idle period, the same
  program and floor over as many seconds again, while the benchmark writes one whole sentence a
  second to the receive port, half a second away from the clock's seconds. Target: at most one
  wake-up per line on top of the floor.
- **Waiting** (`bench_waiting`): in-process, the application object as after start-up (both ports
  open, clock cycle running, window hidden) on the offscreen platform: a receive search on a
  silent port until it gives up, the receive setup dialog opened by its menu command and closed by
  its close box after 8 s, a message box closed by OK after 8 s. Each is read the same way as the
  floor program over the same period.
- **Departure** (`bench_departure`): the program's real clock cycle (the machine clock's
  wake-up at each second, a timerfd, the schedule, the sentence writer, the port) on a clock that
  makes every real second a second 30, its seconds turning exactly with the machine's, for 30 s.
  As in the running program, each tick asks for the next second 30 on time, so the clock wakes a
  millisecond before it and sleeps to its start; the first line of the run, whose second had no
  tick before it to ask, is not timed. The clock holds the event loop for that sleep, at most
  the millisecond it woke early. A second run does the same with the main window and the
  transmission monitor shown, their boxes brought up to date each second: the schedule's timer
  ticks before theirs, so the sentence leaves before any display work of its second. A thread
  stamps the first byte of each line arriving on the pseudo-terminal's master side, against the
  second boundary. Reference: a thread that
  sleeps with `clock_nanosleep(TIMER_ABSTIME)` to each half second and writes a sentence of the
  same length to another pseudo-terminal, timed the same way: what this machine's timers and
  terminals allow.
- **Memory** (`bench_desktop`): peak resident size of the program at the end of the idle period,
  against a bare Qt Widgets program showing one window on the same display.
- **Start-up** (`bench_desktop`): 10 starts of each, alternating, from the start of the process to
  trayer taking the program's icon (watched on the X server), against the bare Qt Widgets program
  from its start to its window being mapped.
NOTES
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
failed=()
measure() {
    echo "== $(basename "$1") ${*:2}" | tee -a "$log"
    QT_QPA_PLATFORM=offscreen "$@" 2>/dev/null | tee -a "$log" || failed+=("$(basename "$1")")
}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
SECONDS=0
# Also through the clock-setting helper, with the shim preloaded into it: the clock never moves.
measure "$build/bench/bench_decode" 500 "$build/horolux-settime-test" \
    "$(realpath "$build/tests/e2e/libhorolux_clockshim.so")"
measure "$build/bench/bench_settingerror" 30
measure "$build/bench/bench_waiting" 8
measure "$build/bench/bench_departure" 30
measure "$build/bench/bench_departure" 30 --shown
measure "$build/bench/bench_desktop" "$build/horolux" \
    "$build/tests/e2e/libhorolux_clockshim.so" 10 60
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
took=$SECONDS

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
qt=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || echo unknown)
gpsd_version=$(dpkg-query -W -f='${Version}' gpsd 2>/dev/null || echo unknown)
{
    cat <<HEAD
# Performance

Every row is measured side by side, in the same run, with the reference it names, so that the
ratio (ours / reference) holds on a busy machine where the absolute figures move. The targets are
the program's own (see the design notes); "met?" judges our figure against the target alone.

Produced by \`bench/run-all.sh\` on ${started}: ${cpu}, $(nproc) cores,
Linux $(uname -r), Debian $(cat /etc/debian_version), Qt ${qt}, gpsd ${gpsd_version}, release build.
Measuring took ${took} s; load average (1, 5, 15 min) before: ${load_before}; after: ${load_after}.

| what | ours | reference | ratio | target | met? |
| --- | --- | --- | --- | --- | --- |
HEAD
    grep '^ROW|' "$log" | cut -d'|' -f2- | sed 's/|/ | /g; s/^/| /; s/$/ |/'
    for name in "${failed[@]}"; do
        echo "| ${name} did not finish | - | - | - | - | **no** |"
    done
    notes
    echo
    echo '## Output of the run'
    echo
    echo '```'
    grep -v '^ROW|' "$log"
    echo '```'
} >docs/performance.md
echo "== results written to docs/performance.md"
[ ${#failed[@]} -eq 0 ]
