#!/usr/bin/env bash
# The Windows suite: the scenario tests of tests/module built with MinGW-w64
# (preset windows-tests: brindlecast.mexw64 as shipped, the test host as
# libmx.dll and libmex.dll, module_tests.exe) and run under Wine the way MATLAB
# runs the module. The lines are socat pairs of pseudo-terminals, made here and
# mapped to COM ports in a Wine prefix of the suite's own (cached in the build
# folder). Ends with one line "wine: N passed, M failed"; exits non-zero on a
# failure. Logs: build/logs/wine-*.log. Arguments go to module_tests.exe
# (--gtest_filter=ComOpenTest.* for instance). BRINDLECAST_MODULE=PATH runs the
# tests against another brindlecast.mexw64 (the release check's, from the zip).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
if [ ! -x "$wine" ] || ! command -v socat x86_64-w64-mingw32-g++-posix >/dev/null; then
    BRINDLECAST_NEEDS_WINE=1 scripts/bootstrap
fi

build="$root/build/windows-tests"
run="$build/wine-run"
logs="$root/build/logs"
jobs=${BRINDLECAST_JOBS:-2}
line_count=50       # more than the suite takes: each test takes fresh lines
first_port=103      # line i: port COM(103+3i), another name for it COM(104+3i), far end COM(105+3i)
missing_port=255    # not mapped: Wine opens a mapped port even when its path is missing
recorded_port=$((first_port + 3 * (line_count - 1)))  # the last line's, recorded as a USB device
mkdir -p "$logs"
[ $((first_port + 3 * line_count)) -lt "$missing_port" ] || { echo "too many lines"; exit 1; }

summary() {  # the one result line, then the exit status
    echo "wine: $1 passed, $2 failed"
    if [ "$2" -eq 0 ]; then exit 0; fi
    exit 1
}

echo "== windows-tests: build"
cmake --preset windows-tests >"$logs/wine-configure.log" 2>&1 ||
    { tail -n 40 "$logs/wine-configure.log"; summary 0 1; }
cmake --build "$build" -j "$jobs" >"$logs/wine-build.log" 2>&1 ||
    { tail -n 40 "$logs/wine-build.log"; summary 0 1; }

# Wine's background processes inherit the output of the first Wine process of
# a session, and COM ports are mapped when a session starts: every Wine command
# below writes to a log, and the session that runs the tests starts after the
# mapping is in place.
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer
unset DISPLAY WAYLAND_DISPLAY
socat_pids=()
# shellcheck disable=SC2317  # run by the trap
cleanup() {
    "$wineserver" -k >/dev/null 2>&1 || true
    for pid in "${socat_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
"$wineserver" -k >/dev/null 2>&1 || true  # a session an interrupted run left

# COM1 stays Wine's /dev/ttyS0 (maybe the console): the suite uses COM103 and up.
mkdir -p "$run"
ports="$run/ports.reg"
{
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    for ((i = 0; i < line_count; i++)); do
        port=$((first_port + 3 * i))
        printf '"COM%d"="%s"\n' "$port" "$run/lines/$i/port" "$((port + 1))" "$run/lines/$i/port" \
            "$((port + 2))" "$run/lines/$i/far"
    done
    # The last line's port end, as the device manager records an FTDI FT232R
    # (what comlist reads of it, and a usb: name opens it): test_line.h.
    enum='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\USB\VID_0403&PID_6001\A50285BI'
    printf '\n[%s]\n"ClassGUID"="{4d36e978-e325-11ce-bfc1-08002be10318}"\n' "$enum"
    printf '"FriendlyName"="USB Serial Port (COM%d)"\n"Mfg"="FTDI"\n' "$recorded_port"
    printf '"LocationInformation"="Port_#0002.Hub_#0003"\n"HardwareID"=hex(7):%s\n' \
        "$(printf 'USB\\VID_0403&PID_6001&REV_0600\0USB\\VID_0403&PID_6001\0\0' | od -An -tx1 -v |
            tr -s ' \n' ',' | sed 's/^,//; s/,$//')"
    printf '\n[%s\\Device Parameters]\n"PortName"="COM%d"\n' "$enum" "$recorded_port"
} >"$ports"
# A prefix is made once per build folder, and again when the ports change.
if ! cmp -s "$ports" "$WINEPREFIX/brindlecast-ports.reg"; then
    echo "== windows-tests: Wine prefix"
    rm -rf "$WINEPREFIX"
    "$wine" wineboot -i >"$logs/wine-prefix.log" 2>&1 </dev/null
    "$wineserver" -w
    "$wine" reg import "Z:${ports//\//\\}" >"$logs/wine-registry.log" 2>&1 </dev/null
    "$wineserver" -w
    cp "$ports" "$WINEPREFIX/brindlecast-ports.reg"
fi

# Fresh pairs every run: a pair keeps settings and unread bytes between uses.
rm -rf "$run/lines"
for ((i = 0; i < line_count; i++)); do
    mkdir -p "$run/lines/$i"
    socat "pty,raw,echo=0,link=$run/lines/$i/port" "pty,raw,echo=0,link=$run/lines/$i/far" \
        </dev/null >/dev/null 2>&1 &
    socat_pids+=($!)
done
for ((i = 0; i < line_count; i++)); do
    for ((try = 0; try < 200; try++)); do
        [ -e "$run/lines/$i/port" ] && [ -e "$run/lines/$i/far" ] && break
        sleep 0.02
    done
    if [ ! -e "$run/lines/$i/port" ] || [ ! -e "$run/lines/$i/far" ]; then
        echo "socat made no pair in $run/lines/$i"
        summary 0 1
    fi
done
{
    echo "missing COM$missing_port"
    echo "recorded COM$recorded_port"
    for ((i = 0; i < line_count; i++)); do
        port=$((first_port + 3 * i))
        echo "line COM$port COM$((port + 1)) COM$((port + 2)) ${socat_pids[i]} $run/lines/$i/port"
    done
} >"$run/lines.txt"

echo "== windows-tests: module_tests.exe under Wine"
"$wineserver" -p >"$logs/wine-session.log" 2>&1 </dev/null
"$wine" cmd.exe /c exit 0 >>"$logs/wine-session.log" 2>&1 </dev/null
module=""
if [ -n "${BRINDLECAST_MODULE:-}" ]; then
    [ -f "$BRINDLECAST_MODULE" ] || { echo "no module $BRINDLECAST_MODULE"; summary 0 1; }
    module="Z:$(realpath "$BRINDLECAST_MODULE" | tr / '\\')"
    echo "module: $module"
fi
status=0
BRINDLECAST_MODULE="$module" BRINDLECAST_WINE_RUN="$run" timeout 600 "$wine" "$build/module_tests.exe" "$@" \
    >"$logs/wine-tests.log" 2>&1 </dev/null || status=$?

results=$(tr -d '\r' <"$logs/wine-tests.log")
passed=$(sed -n -E 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' <<<"$results" | tail -n 1)
failed=$(sed -n -E 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:.*/\1/p' <<<"$results" |
    tail -n 1)
passed=${passed:-0}
failed=${failed:-0}
if grep -E '^\[  FAILED  \] [A-Za-z_.]+$' <<<"$results"; then
    echo "details: $logs/wine-tests.log"
fi
if ! grep -q -E '^\[==========\] [0-9]+ tests? from .* ran\.' <<<"$results"; then
    echo "module_tests.exe did not finish (exit status $status):"
    tail -n 20 <<<"$results"
    failed=$((failed + 1))
elif [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    echo "module_tests.exe exited with status $status"
    failed=1
fi
summary "$passed" "$failed"
