#!/usr/bin/env bash
# Builds the Windows benchmarks and runs them under Wine on a private Xvfb
# and a private Wine prefix: the sweep against the floor of a bare walk, the
# pop-ups' time to go, and the idle cost (docs/PERFORMANCE.md). Installs what
# is missing first. Takes a few minutes; the report goes to the terminal and
# to bench-wine.txt in the build folder.
#
#   scripts/bench-wine.sh [SWEEP_BENCH ARGS...]
#
# Arguments go to sweep_bench.exe, e.g. "floor --counts 1000 --rounds 31";
# without any, it runs everything with the defaults. POPQUELL_BENCH_BUILD and
# POPQUELL_BENCH_PREFIX choose the build folder and the Wine prefix;
# POPQUELL_BENCH_DISPLAY an X display to use instead of a private Xvfb;
# POPQUELL_BENCH_CPU a processor to pin the whole Wine session to (taskset).
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

build=${POPQUELL_BENCH_BUILD:-$POPQUELL_BUILD/bench-windows}
prefix=${POPQUELL_BENCH_PREFIX:-$POPQUELL_BUILD/bench-wineprefix}
report="$build/bench-wine.txt"

ensure_packages "${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_WINDOWS_PACKAGES[@]}" \
    "${POPQUELL_WINE_PACKAGES[@]}" || exit 1

# Optimised as the program ships. A folder configured before keeps its settings.
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$POPQUELL_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DPOPQUELL_TESTS=OFF </dev/null >/dev/null || exit 1
fi
cmake --build "$build" --target sweep_bench_win32 window_farm popquell </dev/null || exit 1

# A display and a Wine session of our own: nothing else may open or close
# windows while we measure.
unset DISPLAY
[[ -n ${POPQUELL_BENCH_DISPLAY:-} ]] && export DISPLAY=$POPQUELL_BENCH_DISPLAY
trap stop_everything EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
start_xvfb_if_needed || exit 1
init_wine_prefix "$prefix" || exit 1
stop_wine

# A server that stays up between programs, so that its CPU time can be read
# while the harness runs: it is the one whose folder is named after the
# prefix's device and inode.
pin=()
if [[ -n ${POPQUELL_BENCH_CPU:-} ]]; then
    pin=(taskset -c "$POPQUELL_BENCH_CPU")
fi
"${pin[@]}" wineserver -p || exit 1
read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX")
server_dir=$(printf 'server-%x-%x' "$dev" "$ino")
server_pid=
deadline=$((SECONDS + 10))
while [[ -z $server_pid ]] && ((SECONDS < deadline)); do
    for pid in $(pgrep -x wineserver; pgrep -x wineserver64); do
        [[ $(readlink "/proc/$pid/cwd") == */"$server_dir" ]] && server_pid=$pid
    done
    [[ -z $server_pid ]] && sleep 0.2
done
[[ -n $server_pid ]] || popquell_log "could not find the wineserver; its CPU time is left out"

{
    echo "== $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
        "$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
    echo "load before: $(cut -d ' ' -f 1-3 /proc/loadavg)"
    echo "$(wine --version), Xvfb $(dpkg-query -W -f='${Version}' xvfb 2>/dev/null)"
    echo "command: ${POPQUELL_BENCH_CPU:+POPQUELL_BENCH_CPU=$POPQUELL_BENCH_CPU }scripts/bench-wine.sh $*"
} | tee "$report"

# To a file, not a pipe: Wine's helper processes keep the output open.
out=$(mktemp "${TMPDIR:-/tmp}/popquell-bench.XXXXXX") || exit 1
timeout -k 10 1200 "${pin[@]}" wine "$build/bench/win32/sweep_bench.exe" ${server_pid:+--wineserver-pid "$server_pid"} \
    "$@" </dev/null >"$out" 2>&1
rc=$?
tr -d '\r' <"$out" | tee -a "$report"
rm -f "$out"
echo "load after: $(cut -d ' ' -f 1-3 /proc/loadavg)" | tee -a "$report"
popquell_log "report: $report"
exit "$rc"
