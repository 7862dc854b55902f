#!/usr/bin/env bash
# Builds Popquell for Windows and runs it under Wine. Installs what is missing
# first.
#
#   scripts/run.sh [--seconds N]
#
# With $DISPLAY set the window appears there and the script ends when the
# program does. Without it the program runs headless on a private Xvfb until
# the script is stopped (Ctrl+C), or for N seconds with --seconds N; running
# out of time counts as success.
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

seconds=
while [[ $# -gt 0 ]]; do
    case $1 in
        --seconds)
            [[ $# -ge 2 && $2 =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [--seconds N]" >&2; exit 2; }
            seconds=$2
            shift 2
            ;;
        -h|--help)
            sed -n '2,11s/^# \{0,1\}//p' "$0"
            exit 0
            ;;
        *)
            echo "usage: $0 [--seconds N]" >&2
            exit 2
            ;;
    esac
done

trap stop_everything EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# googletest: configuring the Windows build also sets up its tests.
ensure_packages "${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_WINDOWS_PACKAGES[@]}" \
    "${POPQUELL_WINE_PACKAGES[@]}" || exit 1

cmake --preset windows </dev/null || exit 1
cmake --build --preset windows --target popquell </dev/null || exit 1

start_xvfb_if_needed || exit 1
init_wine_prefix "$POPQUELL_BUILD/wineprefix" || exit 1

exe="$POPQUELL_BUILD/windows/popquell.exe"
# In the background so that a signal reaches the traps at once; they end Wine.
if [[ -n $seconds ]]; then
    popquell_log "running $exe on $DISPLAY for $seconds s"
    timeout -k 10 "$seconds" wine "$exe" &
else
    popquell_log "running $exe on $DISPLAY (Ctrl+C stops it)"
    wine "$exe" &
fi
wait $!
rc=$?
# Running out of time is how a timed run ends.
[[ -n $seconds && $rc -eq 124 ]] && rc=0
exit "$rc"
