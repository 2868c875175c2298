#!/bin/sh
# Runs a Windows program of the cross build under Wine; CTest and gtest discovery use it as
# the emulator. Each build directory gets its own Wine prefix, made once on first use.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
#
# The prefix is $ORVEX_WINEPREFIX when set, else "wineprefix" in the build directory that
# holds the program (the nearest folder above it with a CMakeCache.txt). Windows need an X
# display: run the tests under `xvfb-run -a`.
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 PROGRAM.exe [ARGUMENTS...]" >&2
    exit 2
fi
program=$1
shift
# Any step below that fails ends this script with status 1 before the program runs; say so,
# or CTest shows a test that failed with no output at all.
printed=""
status_file=""
trap 'status=$?; rm -f "$printed" "$status_file"
      [ "$status" -eq 0 ] || [ -n "$printed" ] || echo "wine-run.sh: stopped with status $status before running $program" >&2' EXIT

find_build_dir() {
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != "/" ]; do
        if [ -f "$dir/CMakeCache.txt" ]; then
            echo "$dir"
            return 0
        fi
        dir=$(dirname "$dir")
    done
    return 1
}

if [ -n "${ORVEX_WINEPREFIX:-}" ]; then
    prefix=$ORVEX_WINEPREFIX
elif build_dir=$(find_build_dir "$program"); then
    prefix=$build_dir/wineprefix
else
    prefix=${WINEPREFIX:-$HOME/.wine}
fi

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No prompts to install Mono or Gecko: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine without a display cannot create windows; say so rather than fail obscurely.
if [ -z "${DISPLAY:-}" ]; then
    echo "wine-run.sh: no X display; run under 'xvfb-run -a'" >&2
fi

mkdir -p "$(dirname "$prefix")"
display_stamp="$prefix.display"
wanted_display="${DISPLAY:-}|${XAUTHORITY:-}"

# Everything that makes or restarts the prefix's Wine processes runs under one lock, so that
# `ctest -j` neither makes the prefix twice nor starts two servers. Each command inside the
# lock closes the lock's descriptor (9>&-): the wineserver and Wine's background processes
# outlive this script and must not hold the lock.
exec 9>"$prefix.lock"
flock 9

if [ ! -f "$prefix/.orvex-ready" ]; then
    rm -rf "$prefix"
    wineboot -i 9>&- >/dev/null 2>&1
    # A crash must end the program, not wait for someone to close Wine's crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        9>&- >/dev/null 2>&1
    wineserver -w 9>&-
    touch "$prefix/.orvex-ready"
    rm -f "$display_stamp"
fi

# NOTE: a running wineserver keeps the X display it was started with (and xvfb-run -a gives
# every run a new display and authority file), so a server from another display is stopped.
if [ "$(cat "$display_stamp" 2>/dev/null || true)" != "$wanted_display" ]; then
    wineserver -k 9>&- >/dev/null 2>&1 || true
    wineserver -w 9>&- >/dev/null 2>&1 || true
    printf '%s\n' "$wanted_display" >"$display_stamp"
fi

# Start the server and Wine's background processes with their output on /dev/null; started
# by the test itself they would inherit CTest's pipes and hold them open after it ends.
wine cmd /c exit 9>&- >/dev/null 2>&1 || true

flock -u 9
exec 9>&-

# Wine has been seen, rarely and only on fresh machines, to end a program at once with status
# 1 before it printed anything. Every program run here prints first thing (a test program its
# banner, even when it only lists its tests), so such a run is tried once more, and said so;
# a program that really fails that way fails twice. The output is shown as it comes and kept
# to tell that case apart (stderr joins stdout, as CTest shows them anyway).
printed=$(mktemp)
status_file=$(mktemp)
for attempt in 1 2; do
    { status=0; wine "$program" "$@" || status=$?; echo "$status" >"$status_file"; } 2>&1 | tee "$printed"
    status=$(cat "$status_file")
    if [ "$status" != 1 ] || [ -s "$printed" ] || [ "$attempt" = 2 ]; then exit "$status"; fi
    echo "wine-run.sh: $program ended with status 1 before printing anything; running it once more" >&2
done
