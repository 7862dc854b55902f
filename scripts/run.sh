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
# journey with real clicks on a private Xvfb, prints what happened to each
# window and writes screenshots to build/windows/demo-*.png; there --seconds N
# is how long it watches the sweep (default 20). Running out of time counts as
# success. scripts/demo.sh does the running, once the programs are built.
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

usage() {
    echo "usage: $0 [--demo] [--seconds N]" >&2
    exit 2
}

options=()
demo=
while [[ $# -gt 0 ]]; do
    case $1 in
        --seconds)
            [[ $# -ge 2 && $2 =~ ^[1-9][0-9]{0,2}$ ]] || usage
            options+=("$1" "$2")
            shift 2
            ;;
        --demo)
            demo=1
            options+=(--demo --shots)
            shift
            ;;
        -h|--help)
            sed -n '2,15s/^# \{0,1\}//p' "$0"
            exit 0
            ;;
        *)
            usage
            ;;
    esac
done
if [[ -z ${DISPLAY:-} && -z $demo ]]; then
    demo=1
    options+=(--demo --shots)
fi

# googletest: configuring the Windows build also sets up its tests. The
# demo's screenshots need xwd.
packages=("${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_WINDOWS_PACKAGES[@]}" "${POPQUELL_WINE_PACKAGES[@]}")
[[ -n $demo ]] && packages+=(x11-apps)
ensure_packages "${packages[@]}" || exit 1

cmake --preset windows </dev/null || exit 1
cmake --build --preset windows --target popquell demo_browser demo_driver </dev/null || exit 1

exec "$POPQUELL_ROOT/scripts/demo.sh" "${options[@]}" "$POPQUELL_BUILD/windows"
