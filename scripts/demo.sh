#!/usr/bin/env bash
# Runs a Windows build's popquell.exe beside its demo browser under Wine: what
# scripts/run.sh does once it has built them, and what the end-to-end tests
# run on the x64 and the x86 build.
#
#   scripts/demo.sh [--demo] [--seconds N] [--shots] [--win32] BUILD_DIR [-- DRIVER_OPTIONS]
#
# With $DISPLAY set and no --demo, a person drives Popquell there: Select
# Window, a click on the demo browser, Yes, Start. The script ends when
# Popquell does, or after N seconds with --seconds N. Otherwise the demo
# driver plays that journey with real clicks on a private Xvfb, watches the
# sweep for N seconds (default 20) and prints what happened; --shots writes
# screenshots to BUILD_DIR/demo-*.png. --win32 runs the x86 build
# (popquell-x86.exe) in the 32-bit prefix, under Wine's 32-bit loader.
# Whatever fails, the programs it started are ended and it returns at once.
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

usage() {
    echo "usage: $0 [--demo] [--seconds N] [--shots] [--win32] BUILD_DIR [-- DRIVER_OPTIONS]" >&2
    exit 2
}

seconds=
demo=
shots=
arch=
while [[ $# -gt 0 ]]; do
    case $1 in
    --seconds)
        [[ $# -ge 2 && $2 =~ ^[1-9][0-9]{0,2}$ ]] || usage
        seconds=$2
        shift 2
        ;;
    --demo | --shots)
        printf -v "${1#--}" 1
        shift
        ;;
    --win32)
        arch=win32
        shift
        ;;
    -*)
        usage
        ;;
    *)
        break
        ;;
    esac
done
[[ $# -ge 1 ]] || usage
build=$1
shift
if [[ $# -gt 0 ]]; then
    [[ $1 == -- ]] || usage
    shift
fi
[[ -z ${DISPLAY:-} ]] && demo=1

program=popquell.exe
prefix=${POPQUELL_WINEPREFIX:-$POPQUELL_BUILD/wineprefix}
if [[ -n $arch ]]; then
    program="popquell-x86.exe"
    prefix=${POPQUELL_WINEPREFIX_X86:-$POPQUELL_BUILD/wineprefix-x86}
fi
for exe in "$program" demo/demo_browser.exe demo/demo_driver.exe; do
    [[ -f $build/$exe ]] || { popquell_die "no $build/$exe: build it first"; exit 1; }
done

# The programs go by their ids; the Wine session of a private display goes
# with it, while on a person's display it ends by itself once they have.
# shellcheck disable=SC2317
finish() {
    end_our_processes
    [[ -n $POPQUELL_XVFB_PID ]] && stop_wine
    stop_xvfb
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [[ -n $demo ]]; then
    # The journey runs on a display of its own, never on the user's desktop.
    unset DISPLAY
    take_display_turn "$prefix" || exit 1
fi
start_xvfb_if_needed || exit 1
init_wine_prefix "$prefix" $arch || exit 1
# A Wine session left over from an earlier run may hold a display that is gone.
[[ -n $demo ]] && stop_wine
wine_starts || exit 1

# The programs run in the build folder, so the log's name is the same to
# Wine and to us.
cd "$build" || exit 1
log="demo-browser.log"
rm -f "$log"

if [[ -z $demo ]]; then
    popquell_log "running $program and the demo browser on $DISPLAY${seconds:+ for $seconds s}"
    popquell_log "pick the demo browser with Select Window, then press Start; the browser's log: $PWD/$log"
    wine "./$program" &
    popquell=$!
    pids+=("$popquell")
    wine ./demo/demo_browser.exe --interval-ms 3000 --log "$log" >/dev/null 2>&1 &
    pids+=($!)
    # Polled rather than waited on, so that a signal reaches the traps at once.
    wait_for_pid "$popquell" "${seconds:-86400}" || exit 0
    wait "$popquell"
    exit
fi

watch=${seconds:-20}
popquell_log "playing the demo on $DISPLAY: the sweep is watched for $watch s"
rm -f demo-*.png
wine "./$program" &
pids+=($!)
# --paused: its windows start once Popquell sweeps, so each one's time to
# go is the sweep's alone. A window each 1.5 s.
wine ./demo/demo_browser.exe --paused --interval-ms 1500 --log "$log" >demo-browser.out 2>&1 &
pids+=($!)
popquell_log "started $program (pid ${pids[0]}) and the demo browser (pid ${pids[1]})"

play_driver $((watch + 90)) --log "$log" --seconds "$watch" ${shots:+--shot-pause-ms 800} "$@"
rc=$?
# A driver that got to the end has closed both programs; whatever is left
# ends with the script.
if ((rc == 0)); then
    for pid in "${pids[@]}"; do
        wait_for_pid "$pid" 10 || popquell_log "pid $pid was still running; ending it"
    done
fi
for shot in demo-*.png; do
    [[ -f $shot ]] && popquell_log "screenshot: $PWD/$shot"
done
popquell_log "the demo browser's log: $PWD/$log"
exit "$rc"
