#!/usr/bin/env bash
# Runs every test: the unit tests of the portable logic on this machine
# (preset "native"), then the Windows build's tests under Wine (preset
# "windows"), among them the README's demo journey, the demo journey and the
# executable's check of the x86 build under Wine's 32-bit loader
# ("windows-x86"), and a compile of the Windows sources by clang
# ("windows-clang"). Installs what is missing first. Every suite always runs;
# the last line of output is "N passed, N failed", and the exit code is 0
# only when nothing failed.
#
#   scripts/test.sh
#
# Without $DISPLAY the Wine tests run on a private Xvfb, stopped at the end.
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

passed=0
failed=0

finish() {
    stop_everything
    trap - EXIT
    echo "$passed passed, $failed failed"
    [[ $failed -eq 0 ]] && exit 0
    exit 1
}
trap stop_everything EXIT
trap 'failed=$((failed + 1)); finish' INT TERM

# ctest ends with "NN% tests passed, F tests failed out of T". A suite that
# cannot be built, finds no tests or fails without that line counts as one
# failure.
run_ctest() {
    local preset=$1 jobs=$2 timeout=$3 out rc counts
    out=$(mktemp "${TMPDIR:-/tmp}/popquell-ctest.XXXXXX") || return 1
    ctest --preset "$preset" -j "$jobs" --timeout "$timeout" \
        --output-on-failure --no-tests=error </dev/null 2>&1 | tee "$out"
    rc=${PIPESTATUS[0]}
    counts=$(sed -nE 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/p' "$out" | tail -n 1)
    rm -f "$out"
    if [[ -n $counts ]]; then
        local f=${counts% *} t=${counts#* }
        passed=$((passed + t - f))
        if [[ $rc -ne 0 && $f -eq 0 ]]; then
            f=1
        fi
        failed=$((failed + f))
    else
        failed=$((failed + 1))
    fi
}

build_preset() {
    local preset=$1
    popquell_log "== $preset: configure and build"
    if ! cmake --preset "$preset" </dev/null; then
        popquell_log "== $preset: configure failed"
        return 1
    fi
    if ! cmake --build --preset "$preset" </dev/null; then
        popquell_log "== $preset: build failed"
        return 1
    fi
}

if ! ensure_packages "${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_NATIVE_PACKAGES[@]}" \
        "${POPQUELL_WINDOWS_PACKAGES[@]}" "${POPQUELL_WINE_PACKAGES[@]}" \
        "${POPQUELL_X86_PACKAGES[@]}" "${POPQUELL_CLANG_PACKAGES[@]}"; then
    failed=$((failed + 1))
    finish
fi

# ctest starts the emulator directly, so it has to be executable.
if [[ ! -x scripts/wine-run ]]; then
    popquell_log "scripts/wine-run was not executable; fixing"
    chmod +x scripts/wine-run
fi

# The layers run one way.
popquell_log "== layers"
if bash scripts/check-layers.sh; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

# The unit tests of the portable logic, on the simulated desktop.
if build_preset native; then
    popquell_log "== native: tests"
    run_ctest native 2 120
else
    failed=$((failed + 1))
fi

# The same unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
if build_preset native-asan; then
    popquell_log "== native-asan: tests"
    run_ctest native-asan 2 300
else
    failed=$((failed + 1))
fi

# The worker threads that call other programs' windows, under ThreadSanitizer.
if build_preset native-tsan; then
    popquell_log "== native-tsan: tests"
    run_ctest native-tsan 2 300
else
    failed=$((failed + 1))
fi

# The same unit tests built for Windows, and the tests of the Win32 side
# against real windows and the README's journeys, under Wine.
if build_preset windows; then
    # A Wine session left over from an earlier run may hold a dead display.
    if start_xvfb_if_needed && init_wine_prefix "$POPQUELL_BUILD/wineprefix" &&
        stop_wine && wine_starts; then
        export POPQUELL_WINEPREFIX=$WINEPREFIX
        popquell_log "== windows: tests under Wine (display $DISPLAY)"
        run_ctest windows 2 300
    else
        failed=$((failed + 1))
    fi
else
    failed=$((failed + 1))
fi

# The x86 build: the demo journey, and the check of the executable, under
# Wine's 32-bit loader in a 32-bit prefix.
if build_preset windows-x86; then
    stop_wine
    if start_xvfb_if_needed && init_wine_prefix "$POPQUELL_BUILD/wineprefix-x86" win32 &&
        stop_wine && wine_starts; then
        export POPQUELL_WINEPREFIX_X86=$WINEPREFIX
        popquell_log "== windows-x86: tests under Wine's 32-bit loader (display $DISPLAY)"
        run_ctest windows-x86 2 300
    else
        failed=$((failed + 1))
    fi
else
    failed=$((failed + 1))
fi

# A second compiler: clang builds the program from the same sources, with
# the same warnings as errors. It counts as one check.
if build_preset windows-clang; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

finish
