#!/usr/bin/env bash
# scripts/run.sh with a display, as a person uses it: Popquell and the demo
# browser come up on that display, a person (the demo's driver, clicking for
# real) picks the browser and starts the sweep, and the script ends, with
# code 0, once Popquell is closed.
#
#   tests/e2e/by-hand.sh BUILD_DIR
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
build=$(cd "$1" && pwd) || exit 1
prefix=${POPQUELL_WINEPREFIX:-$POPQUELL_BUILD/wineprefix}
trap cleanup EXIT
if [[ -z ${DISPLAY:-} ]]; then
    take_display_turn "$prefix" || exit 1
    start_xvfb_if_needed || exit 1
fi
# Made before the programs start: two of them at once would race to make it.
init_wine_prefix "$prefix" || exit 1

"$POPQUELL_ROOT/scripts/demo.sh" --seconds 120 "$build" &
run=$!
pids+=("$run")
cd "$build" || exit 1
play_driver 120 --log demo-browser.log --seconds 7
driver=$?
if ! wait_for_pid "$run" 15; then
    echo "FAILED: scripts/demo.sh was still running 15 s after Popquell was closed"
    exit 1
fi
wait "$run"
rc=$?
((rc == 0)) || echo "FAILED: scripts/demo.sh ended with code $rc"
((driver == 0 && rc == 0))
