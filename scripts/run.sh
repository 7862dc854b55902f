#!/usr/bin/env bash
# Builds Popquell for Windows and runs it under Wine beside the demo browser,
# a stand-in for Internet Explorer that opens pop-ups and look-alikes every
# few seconds. Installs what is missing first.
#
#   scripts/run.sh [--demo] [--seconds N]
#
# With $DISPLAY set you drive Popquell by hand: Select Window, click the demo
# browser, Yes, Start. The script ends when Popquell does, or after N seconds
# with --seconds N. Without a display, or with --demo, a driver plays that
# journey on a private Xvfb, prints what happened to each window and writes
# screenshots to build/windows/demo-*.png; there --seconds N is how long it
# watches the sweep (default 20). Running out of time counts as success.
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

usage() {
    echo "usage: $0 [--demo] [--seconds N]" >&2
    exit 2
}

seconds=
demo=
while [[ $# -gt 0 ]]; do
    case $1 in
        --seconds)
            [[ $# -ge 2 && $2 =~ ^[1-9][0-9]{0,2}$ ]] || usage
            seconds=$2
            shift 2
            ;;
        --demo)
            demo=1
            shift
            ;;
        -h|--help)
            sed -n '2,14s/^# \{0,1\}//p' "$0"
            exit 0
            ;;
        *)
            usage
            ;;
    esac
done
[[ -z ${DISPLAY:-} ]] && demo=1

trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# wait_for_pid PID SECONDS: true when the process ended within the time.
wait_for_pid() {
    local deadline=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.1
    done
    return 0
}

# googletest: configuring the Windows build also sets up its tests. The
# demo's screenshots need xwd.
packages=("${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_WINDOWS_PACKAGES[@]}" "${POPQUELL_WINE_PACKAGES[@]}")
[[ -n $demo ]] && packages+=(x11-apps)
ensure_packages "${packages[@]}" || exit 1

cmake --preset windows </dev/null || exit 1
cmake --build --preset windows --target popquell demo_browser demo_driver </dev/null || exit 1

out="$POPQUELL_BUILD/windows"
if [[ -n $demo ]]; then
    # The journey runs on a display of its own, never on the user's desktop.
    unset DISPLAY
fi
start_xvfb_if_needed || exit 1
init_wine_prefix "$POPQUELL_BUILD/wineprefix" || exit 1
# A Wine session left over from an earlier run may hold a display that is gone.
[[ -n $demo ]] && stop_wine

# The programs run in the build folder, so the log's name is the same to
# Wine and to us.
cd "$out" || exit 1
log="demo-browser.log"
rm -f "$log"

if [[ -z $demo ]]; then
    popquell_log "running popquell.exe and the demo browser on $DISPLAY${seconds:+ for $seconds s}"
    popquell_log "pick the demo browser with Select Window, then press Start; the browser's log: $out/$log"
    wine ./popquell.exe &
    popquell_pid=$!
    pids+=("$popquell_pid")
    wine ./demo/demo_browser.exe --interval-ms 3000 --log "$log" >/dev/null 2>&1 &
    pids+=($!)
    # In the background, so that a signal reaches the traps at once.
    if [[ -n $seconds ]]; then
        wait_for_pid "$popquell_pid" "$seconds"
        exit 0
    fi
    wait "$popquell_pid"
    exit $?
fi

watch=${seconds:-20}
popquell_log "playing the demo on $DISPLAY: the sweep is watched for $watch s"
rm -f demo-*.png
wine ./popquell.exe &
pids+=($!)
# --paused: its windows start once Popquell sweeps, so each one's time to
# go is the sweep's alone. Twelve of them, one each 1.5 s.
wine ./demo/demo_browser.exe --paused --interval-ms 1500 --count 12 --log "$log" >demo-browser.out 2>&1 &
pids+=($!)

screenshot() {
    xwd -root -silent 2>/dev/null | convert xwd:- "png:$1" 2>/dev/null ||
        popquell_log "could not take the screenshot $1"
}

# The driver's report goes to the terminal; its "[shot] NAME" lines become
# screenshots, taken while it waits.
timeout -k 5 $((watch + 60)) wine ./demo/demo_driver.exe --log "$log" --seconds "$watch" \
    --shot-pause-ms 800 </dev/null 2>&1 |
    while IFS= read -r line; do
        line=${line%$'\r'}
        if [[ $line == "[shot] "* ]]; then
            screenshot "${line#"[shot] "}.png"
        else
            printf '%s\n' "$line"
        fi
    done
rc=${PIPESTATUS[0]}

# A driver that got to the end has closed both programs; whatever is left
# ends here.
if [[ $rc -eq 0 ]]; then
    for pid in "${pids[@]}"; do
        wait_for_pid "$pid" 10 || popquell_log "pid $pid was still running; ending it"
    done
fi
end_our_processes
for shot in demo-*.png; do
    [[ -f $shot ]] && popquell_log "screenshot: $out/$shot"
done
popquell_log "the demo browser's log: $out/$log"
exit "$rc"
