#!/usr/bin/env bash
# Builds the Windows benchmarks and runs them under Wine on a private Xvfb
# and a private Wine prefix (docs/PERFORMANCE.md), then draws their figures.
# Installs what is missing first. Exits non-zero when any target is missed.
#
#   scripts/bench-wine.sh [PART...] [--real N:SECONDS,...] [--owners N:SECONDS,...]
#                         [SWEEP_BENCH OPTIONS...]
#
# Parts (all of them when none is named):
#   floor latency burst   sweep_bench.exe's parts: the sweep against a bare
#                         walk, pop-up lifetimes one at a time and in bursts
#   idle                  popquell.exe on its own, every timer off: its CPU
#                         time over 30 s, read from /proc. Target: <= 30 ms.
#   real                  popquell.exe as a user runs it: over a farm of N
#                         windows, the demo browser picked, Yes, Start (by
#                         demo_driver.exe's clicks), a pop-up every 500 ms for SECONDS:
#                         CPU per second of popquell.exe and the wineserver
#                         and popquell.exe's resident memory, from /proc, and
#                         each pop-up's life. Targets: none alive over 1100 ms,
#                         the driver content, and in runs of 300 s or more
#                         the memory flat (the last minute's largest resident
#                         size at most 1 MiB above the second minute's).
#                         --real defaults to 300:60,1000:600.
#   owners                the same, with the farm's always-on-top window above
#                         everything and ten of its threads that each open a
#                         pop-up every 500 ms, the ten next to each other in Z
#                         order, destroy it on WM_CLOSE and own no other
#                         window. Target: none alive over 1500 ms, the farm's
#                         and the browser's. --owners defaults to 300:180.
#   instant               the instant mode (popquell.exe /instant) in the
#                         same cases: latency and burst (sweep_bench.exe
#                         --instant), real and owners with /instant (runs of
#                         --instant N:SECONDS, default 300:60), and a storm:
#                         window_farm.exe --storm making and destroying windows as
#                         fast as one thread can for 10 s, a pop-up among
#                         them every 50 ms, asking the main window for an
#                         answer every 20 ms. Targets: lives at most 20 ms at
#                         the median and 60 ms at most; in the storm, every
#                         pop-up closed and every answer within 200 ms;
#                         popquell.exe's CPU per second from /proc.
#   plots                 only draws the pictures from the figures kept.
#
# Other arguments go to sweep_bench.exe, e.g. "floor --counts 1000 --rounds
# 31". The figures are kept in bench-data/ of the build folder and every run
# draws docs/perf-*.png from whatever is there. POPQUELL_BENCH_BUILD and
# POPQUELL_BENCH_PREFIX choose the build folder and the Wine prefix;
# POPQUELL_BENCH_DISPLAY an X display to use instead of a private Xvfb;
# POPQUELL_BENCH_CPU a processor to pin the whole Wine session to (taskset).
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

build=${POPQUELL_BENCH_BUILD:-$POPQUELL_BUILD/bench-windows}
prefix=${POPQUELL_BENCH_PREFIX:-$POPQUELL_BUILD/bench-wineprefix}
data="$build/bench-data"
report="$build/bench-wine.txt"

readonly kLatencyBoundMs=1100
readonly kOwnersBoundMs=1500
readonly kIdleBoundMs=30
readonly kRssGrowthBoundKb=1024
readonly kInstantMedianBoundMs=20
readonly kInstantMaxBoundMs=60
readonly kProbeBoundMs=200

bench_parts=()
bench_args=()
script_parts=()
real_runs=300:60,1000:600
owners_runs=300:180
instant_run=300:60
while [[ $# -gt 0 ]]; do
    case $1 in
        floor|latency|burst) bench_parts+=("$1") ;;
        idle|real|owners|instant|plots) script_parts+=("$1") ;;
        --instant)
            [[ $# -ge 2 && $2 =~ ^[0-9]+:[0-9]+$ ]] || { echo "usage: $1 N:SECONDS" >&2; exit 2; }
            instant_run=$2
            shift
            ;;
        --real|--owners)
            [[ $# -ge 2 && $2 =~ ^[0-9]+:[0-9]+(,[0-9]+:[0-9]+)*$ ]] || { echo "usage: $1 N:SECONDS,..." >&2; exit 2; }
            if [[ $1 == --real ]]; then real_runs=$2; else owners_runs=$2; fi
            shift
            ;;
        *) bench_args+=("$1") ;;
    esac
    shift
done
if [[ ${#bench_parts[@]} -eq 0 && ${#script_parts[@]} -eq 0 ]]; then
    bench_parts=(floor latency burst)
    script_parts=(idle real owners instant)
fi
wants() { [[ " ${script_parts[*]} " == *" $1 "* ]]; }

# --- pictures, from every figure in bench-data ---
# picture FILE TITLE XLABEL YLABEL SETTINGS PLOT: one picture for docs/.
picture() {
    plots+=("
set output '$POPQUELL_ROOT/docs/$1'
set title '$2'
set xlabel '$3'; set ylabel '$4'
$5
plot $6")
}
draw() {
    local plots=() series=() f label
    [[ -s $data/walk.dat ]] && picture perf-walk.png \
        'One walk under Wine: the sweep and the bare floor (medians)' 'top-level windows walked' 'ms per walk' \
        'set key top left; set logscale x; set grid' \
        "'$data/walk.dat' using 2:3 with linespoints lw 2 pt 7 title 'sweep (Form1::Timer1_Timer)', \\
     '$data/walk.dat' using 2:4 with linespoints lw 2 pt 5 title 'floor (style and class read per window)'"
    for f in "$data"/lives-*.dat; do
        [[ -s $f ]] || continue
        label=$(basename "$f" .dat)
        label=${label#lives-}
        case $label in
            latency) label='steady, sweep_bench (one at a time)' ;;
            burst) label='bursts, sweep_bench' ;;
            real-*) label="steady, popquell.exe over ${label#real-} windows" ;;
            owners-*) continue ;;
            *instant*|storm*) continue ;;  # the instant mode's picture is perf-instant.png
        esac
        series+=("'$f' using 1:2 with points pt 7 ps 0.5 title '$label'")
    done
    [[ ${#series[@]} -gt 0 ]] && picture perf-lifetimes.png \
        'How long each pop-up lived under Wine' 'pop-up, in the order opened' 'ms from creation to destruction' \
        'set key outside bottom center horizontal; set grid; set yrange [0:1400]' \
        "$(printf '%s, ' "${series[@]}") $kLatencyBoundMs with lines lw 2 dt 2 lc rgb 'red' title 'bound ($kLatencyBoundMs ms)'"
    series=()
    for f in "$data"/real-*-samples.dat; do
        [[ -s $f ]] || continue
        [[ $f == *instant* ]] && continue  # the sweep's memory alone
        label=$(basename "$f" -samples.dat)
        series+=("'$f' using (\$1/60):(\$3/1024) with lines lw 2 title '${label#real-} windows'")
    done
    local joined
    joined=$(printf '%s, ' "${series[@]}")
    [[ ${#series[@]} -gt 0 ]] && picture perf-memory.png \
        'popquell.exe resident memory while sweeping (a pop-up every 500 ms)' 'minutes since Start' 'MiB resident' \
        'set key bottom right; set grid; set yrange [0:*]' "${joined%, }"
    # The two modes' lives side by side: each mode's pop-ups of every case,
    # as the share that lived at most so long.
    local mode kind files
    series=()
    for mode in default instant; do
        files=()
        for f in "$data"/lives-*.dat; do
            kind=default
            [[ $f == *instant* || $f == *storm* ]] && kind=instant
            [[ -s $f && $kind == "$mode" ]] && files+=("$f")
        done
        ((${#files[@]} > 0)) || continue
        awk '{ print $2 }' "${files[@]}" | sort -g | awk '{ v[NR] = $1 } END { for (i = 1; i <= NR; i++) print v[i], i / NR }' \
            >"$data/dist-$mode.dat"
        series+=("'$data/dist-$mode.dat' using 1:2 with steps lw 2 title '$mode mode ($(wc -l <"$data/dist-$mode.dat") pop-ups)'")
    done
    [[ ${#series[@]} -gt 0 ]] && picture perf-instant.png \
        'How long pop-ups lived under Wine: the 1-second sweep and the instant mode' \
        'ms from creation to destruction' 'share of the pop-ups that lived at most so long' \
        "set key bottom right; set grid; set logscale x; set xrange [1:2000]; set yrange [0:1]
set arrow from $kInstantMaxBoundMs, graph 0 to $kInstantMaxBoundMs, graph 1 nohead dt 2 lw 2 lc rgb 'red'
set label 'instant mode bound ($kInstantMaxBoundMs ms)' at $kInstantMaxBoundMs, graph 0.5 offset 1, 0 textcolor rgb 'red'" \
        "$(IFS=,; echo "${series[*]}")"
    local p
    for p in "${plots[@]}"; do
        printf "set terminal pngcairo size 900,480 font 'Sans,10' noenhanced\n%s\n" "$p" >"$data/plot.gp"
        gnuplot "$data/plot.gp" || popquell_log "gnuplot failed"
    done
}
if [[ " ${script_parts[*]} " == " plots " && ${#bench_parts[@]} -eq 0 ]]; then
    ensure_packages gnuplot-nox || exit 1
    draw
    exit 0
fi

ensure_packages "${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_WINDOWS_PACKAGES[@]}" \
    "${POPQUELL_WINE_PACKAGES[@]}" gnuplot-nox || exit 1

# Optimised as the program ships, with the benchmarks, which no other build makes.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$POPQUELL_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DPOPQUELL_TESTS=OFF -DPOPQUELL_BENCH=ON </dev/null >/dev/null || exit 1
cmake --build "$build" --target sweep_bench_win32 window_farm popquell demo_browser demo_driver \
    </dev/null || exit 1
mkdir -p "$data" || exit 1


# A display and a Wine session of our own: nothing else may open or close
# windows while we measure.
unset DISPLAY
[[ -n ${POPQUELL_BENCH_DISPLAY:-} ]] && export DISPLAY=$POPQUELL_BENCH_DISPLAY
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
start_xvfb_if_needed || exit 1
init_wine_prefix "$prefix" || exit 1
stop_wine

# A server that stays up between programs, so that its CPU time can be read
# throughout: it is the one whose folder is named after the prefix's device
# and inode.
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
    echo "command: ${POPQUELL_BENCH_CPU:+POPQUELL_BENCH_CPU=$POPQUELL_BENCH_CPU }scripts/bench-wine.sh" \
        "${bench_parts[*]} ${script_parts[*]} ${bench_args[*]}"
} | tee "$report"

missed=0
miss() {
    echo "target MISSED: $*" | tee -a "$report"
    missed=$((missed + 1))
}

# A process's user plus system time in clock ticks (1/100 s), from /proc.
cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat" 2>/dev/null; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# The Linux process of a Windows program: Wine gives it the program's
# Windows path as its command line.
linux_pid_of() {
    local want=$1 pid deadline=$((SECONDS + 30))
    while ((SECONDS < deadline)); do
        for pid in $(pgrep -f "${want##*\\}"); do
            if [[ $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) == "$want"* ]]; then
                echo "$pid"
                return 0
            fi
        done
        sleep 0.2
    done
    return 1
}
winpath() { echo "Z:${1//\//\\}"; }

# --- sweep_bench.exe: floor, latency, burst ---
if [[ ${#bench_parts[@]} -gt 0 ]]; then
    # To a file, not a pipe: Wine's helper processes keep the output open.
    out="$data/sweep_bench.out"
    timeout -k 10 1800 "${pin[@]}" wine "$build/bench/win32/sweep_bench.exe" \
        "${bench_parts[@]}" "${bench_args[@]}" </dev/null >"$out" 2>&1
    rc=$?
    tr -d '\r' <"$out" | grep -v '^life ' | tee -a "$report"
    ((rc == 0)) || miss "sweep_bench.exe exited with $rc"
    for part in latency burst; do
        tr -d '\r' <"$out" | awk -v p="$part" '$1 == "life" && $2 == p { print $3, $4 }' >"$data/lives-$part.tmp"
        if [[ -s $data/lives-$part.tmp ]]; then mv "$data/lives-$part.tmp" "$data/lives-$part.dat"; else rm -f "$data/lives-$part.tmp"; fi
    done
    if tr -d '\r' <"$out" | grep -q '^walk '; then
        tr -d '\r' <"$out" | awk '$1 == "walk" { print $2, $3, $4, $5 }' >"$data/walk.dat"
    fi
fi

# --- idle: popquell.exe alone ---
if wants idle; then
    echo | tee -a "$report"
    echo "== Idle: popquell.exe on its own, every timer off, CPU from /proc" | tee -a "$report"
    (cd "$build" && exec "${pin[@]}" wine ./popquell.exe) </dev/null >/dev/null 2>&1 &
    pids+=($!)
    if pid=$(linux_pid_of "$(winpath "$build/popquell.exe")"); then
        pids+=("$pid")
        sleep 5  # start-up done
        c0=$(cpu_ticks "$pid") s0=$(cpu_ticks "$server_pid") t0=$SECONDS
        sleep 30
        c1=$(cpu_ticks "$pid") s1=$(cpu_ticks "$server_pid") t1=$SECONDS
        idle_ms=$(((c1 - c0) * 10))
        echo "popquell.exe: $idle_ms ms CPU over $((t1 - t0)) s (start-up before that: $((c0 * 10)) ms)," \
            "resident $(rss_kb "$pid") kB; wineserver over the same time: $(((s1 - s0) * 10)) ms" | tee -a "$report"
        if ((idle_ms <= kIdleBoundMs)); then
            echo "target: at most $kIdleBoundMs ms in 30 s: met" | tee -a "$report"
        else
            miss "idle popquell.exe used $idle_ms ms in 30 s (at most $kIdleBoundMs)"
        fi
    else
        miss "popquell.exe's process was not found"
    fi
    end_our_processes
fi

# lives_report FILE BOUND WHAT [MEDIAN]: the lives in FILE ("index ms" a
# line), and whether none is over BOUND ms (and their median at most MEDIAN
# ms); non-zero when not, or when none is there.
lives_report() {
    sort -n -k 2 "$1" | awk -v bound="$2" -v what="$3" -v mbound="${4:-}" '
        { v[NR] = $2 }
        END {
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            ok = NR > 0 && v[NR] <= bound && (mbound == "" || m <= mbound)
            printf "%s: %d; life ms: median %.1f, max %.1f, min %.1f\n", what, NR, m, v[NR], v[1]
            printf "target: %snone alive over %d ms: %s\n", mbound == "" ? "" : "median at most " mbound " ms, ",
                bound, ok ? "met" : "MISSED"
            exit !ok
        }' | tee -a "$report"
    return "${PIPESTATUS[1]}"
}

# --- real: popquell.exe as a user runs it; owners: the same in a burst ---
# real_run WINDOWS SECONDS [OWNERS]
real_run() {
    local windows=$1 seconds=$2 owners=${3:-} tag="real-$1" bound=$kLatencyBoundMs farm_args=() demo_args=()
    if [[ -n $owners ]]; then
        tag="owners-$1" bound=$kOwnersBoundMs
        # Pop-ups every 500 ms from Start until 3 s before the driver stops
        # watching, so that its last look finds every one of them closed.
        farm_args=(--burst "$owners" --owners "$owners" --every-ms 500 --popups $(((seconds - 3) * 2 * owners)))
        demo_args=(--count $(((seconds - 3) * 2)))
    fi
    # The instant mode: popquell.exe /instant; the storm is window_farm.exe --storm.
    local popquell_args=() median_bound=
    if [[ -n ${instant:-} ]]; then
        tag+=-instant bound=$kInstantMaxBoundMs median_bound=$kInstantMedianBoundMs popquell_args=(/instant)
    fi
    if [[ -n ${storm:-} ]]; then
        tag=storm farm_args=(--storm 10 --every-ms 50 --ieframes 0)
    fi
    local log="bench-$tag.log" samples="$data/$tag-samples.dat" fifo="$data/farm.fifo"
    echo | tee -a "$report"
    [[ -n ${storm:-} ]] || echo "== ${owners:+Owners: $owners threads of the farm each opening a pop-up every 500 ms, and }Real:" \
        "popquell.exe over $windows farm windows, the demo browser picked, Start, a pop-up every 500 ms" \
        "for $seconds s" | tee -a "$report"
    rm -f "$fifo" "$build/$log" "$data/$tag-driver.out"
    mkfifo "$fifo" || return 1
    local feed
    exec {feed}<>"$fifo"
    "${pin[@]}" wine "$build/bench/win32/window_farm.exe" --windows "$windows" "${farm_args[@]}" \
        --max-seconds $((seconds + 300)) <"$fifo" >"$data/farm.out" 2>&1 &
    pids+=($!)
    local deadline=$((SECONDS + 60 + windows / 10))
    until grep -q '^ready' "$data/farm.out" 2>/dev/null; do
        if ((SECONDS >= deadline)); then
            miss "the farm did not make $windows windows in time"
            exec {feed}>&-
            end_our_processes
            return 1
        fi
        sleep 0.5
    done
    (cd "$build" && exec "${pin[@]}" wine ./popquell.exe "${popquell_args[@]}") </dev/null >/dev/null 2>&1 &
    pids+=($!)
    (cd "$build" && exec "${pin[@]}" wine ./demo/demo_browser.exe --paused --kinds popup "${demo_args[@]}" \
        --interval-ms 500 --log "$log") </dev/null >/dev/null 2>&1 &
    pids+=($!)
    local pid
    if ! pid=$(linux_pid_of "$(winpath "$build/popquell.exe")"); then
        miss "popquell.exe's process was not found"
        exec {feed}>&-
        end_our_processes
        return 1
    fi
    pids+=("$pid")
    # The session before Start: the farm, the browser and Popquell, idle.
    sleep 5
    local c0 s0 t0 c1 s1 t1
    c0=$(cpu_ticks "$pid") s0=$(cpu_ticks "$server_pid") t0=$SECONDS
    sleep 10
    c1=$(cpu_ticks "$pid") s1=$(cpu_ticks "$server_pid") t1=$SECONDS
    echo "before Start, over $((t1 - t0)) s: popquell.exe $(((c1 - c0) * 10)) ms CPU," \
        "wineserver $(((s1 - s0) * 10)) ms" | tee -a "$report"

    (cd "$build" || exit 1
     [[ -z ${POPQUELL_BENCH_CPU:-} ]] || taskset -pc "$POPQUELL_BENCH_CPU" "$BASHPID" >/dev/null
     play_driver $((seconds + 90)) --log "$log" --seconds "$seconds") </dev/null >"$data/$tag-driver.out" 2>&1 &
    local driver=$!
    pids+=("$driver")
    # Once a second, from Start until Popquell is closed: seconds since
    # Start, popquell.exe's CPU ticks, its resident kB, the server's ticks.
    : >"$samples"
    local start= now
    while kill -0 "$driver" 2>/dev/null; do
        now=$(date +%s.%N)
        if [[ -z $start ]] && grep -q 'Clicked Start' "$data/$tag-driver.out"; then
            start=$now
            [[ -n $owners ]] && printf 'go\n' >&"$feed"
        fi
        grep -q "Closed Popquell's main window" "$data/$tag-driver.out" && break
        [[ -n $start ]] && echo "$(awk -v a="$now" -v b="$start" 'BEGIN { printf "%.2f", a - b }')" \
            "$(cpu_ticks "$pid")" "$(rss_kb "$pid")" "$(cpu_ticks "$server_pid")" >>"$samples"
        sleep 1
    done
    wait "$driver"
    local driver_rc=$?
    echo "demo_driver.exe exited with $driver_rc: $(tr -d '\r' <"$data/$tag-driver.out" | tail -n 1)" | tee -a "$report"
    ((driver_rc == 0)) || miss "the driver found problems (see $data/$tag-driver.out)"
    printf 'quit\n' >&"$feed"
    exec {feed}>&-
    end_our_processes
    rm -f "$fifo"

    # Each pop-up's life, from the demo browser's log: "age" on its
    # destruction, from the moment it was made.
    tr -d '\r' <"$build/$log" | awk '$3 == "destroyed" && / kind=popup / && !/by=demo-exit/ {
        match($0, /age=[0-9.]+/); print substr($4, 2), substr($0, RSTART + 4, RLENGTH - 4) }' >"$data/lives-$tag.dat"
    local left
    left=$(tr -d '\r' <"$build/$log" | awk '$3 == "destroyed" && / kind=popup / && /by=demo-exit/' | wc -l)
    lives_report "$data/lives-$tag.dat" "$bound" \
        "the browser's pop-ups closed (and $left opened after the last sweep, closed by the browser on exit)" \
        $median_bound ||
        miss "$tag: a pop-up of the browser lived over $bound ms${median_bound:+, or half of them over $median_bound ms}"
    if [[ -n $owners ]]; then
        # The farm's pop-ups, from its lines "created|destroyed INDEX HWND QPC".
        tr -d '\r' <"$data/farm.out" | awk '$1 == "freq" { f = $2 } $1 == "created" { c[$2] = $4 }
            $1 == "popups-done" { exit } $1 == "destroyed" && ($2 in c) { printf "%d %.1f\n", $2, ($4 - c[$2]) * 1000 / f }' \
            >"$data/lives-$tag-farm.dat"
        lives_report "$data/lives-$tag-farm.dat" "$bound" "the owners' pop-ups closed" $median_bound ||
            miss "$tag: a pop-up of the owners lived over $bound ms${median_bound:+, or half of them over $median_bound ms}"
        grep -q '^popups-done' "$data/farm.out" || miss "$tag: the owners' pop-ups were not all closed"
    fi

    # How much of that was the sweep: when the browser got each WM_CLOSE.
    tr -d '\r' <"$build/$log" | awk '$3 == "WM_CLOSE" && / kind=popup / { match($0, /age=[0-9.]+/); print substr($0, RSTART + 4, RLENGTH - 4) }' |
        sort -n | awk '{ v[NR] = $1 } END {
            printf "WM_CLOSE received by the browser, ms after the pop-up was made: median %.1f, max %.1f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }' |
        tee -a "$report"

    # CPU per second over the sweep, and the resident memory over the run.
    awk -v bound="$kRssGrowthBoundKb" -v long=$((seconds >= 300)) '
        NR == 1 { t0 = $1; c0 = $2; s0 = $4 }
        { t = $1; c = $2; s = $4; rss[NR] = $3; at[NR] = $1; if ($3 > max) max = $3 }
        END {
            printf "over %.0f s of sweeping: popquell.exe %.2f ms CPU per second (%.3f%% of one CPU), wineserver %.2f ms per second\n",
                t - t0, 10 * (c - c0) / (t - t0), (c - c0) / (t - t0), 10 * (s - s0) / (t - t0)
            for (i = 1; i <= NR; i++) {
                if (at[i] >= 60 && at[i] < 120 && rss[i] > second) second = rss[i]
                if (at[i] >= t - 60 && rss[i] > last) last = rss[i]
            }
            printf "popquell.exe resident: %d kB at Start, %d kB largest in the second minute, %d kB largest in the last minute, %d kB largest\n",
                rss[1], second, last, max
            if (long) {
                printf "target: the last minute at most %d kB above the second: %s\n", bound, (last - second <= bound) ? "met" : "MISSED"
                exit last - second > bound
            }
        }' "$samples" | tee -a "$report"
    ((PIPESTATUS[0] == 0)) || miss "$tag: popquell.exe's resident memory grew"
}
if wants real; then
    IFS=, read -r -a runs <<<"$real_runs"
    for run in "${runs[@]}"; do real_run "${run%%:*}" "${run#*:}"; done
fi
if wants owners; then
    IFS=, read -r -a runs <<<"$owners_runs"
    for run in "${runs[@]}"; do real_run "${run%%:*}" "${run#*:}" 10; done
fi

# --- instant: the same cases with popquell.exe /instant, and a storm ---
if wants instant; then
    out="$data/sweep_bench-instant.out"
    timeout -k 10 1800 "${pin[@]}" wine "$build/bench/win32/sweep_bench.exe" latency burst --instant "${bench_args[@]}" \
        </dev/null >"$out" 2>&1
    rc=$?
    tr -d '\r' <"$out" | grep -v '^life ' | tee -a "$report"
    ((rc == 0)) || miss "sweep_bench.exe --instant exited with $rc"
    for part in latency-instant burst-instant; do
        tr -d '\r' <"$out" | awk -v p="$part" '$1 == "life" && $2 == p { print $3, $4 }' >"$data/lives-$part.dat"
    done
    instant=1 real_run "${instant_run%%:*}" "${instant_run#*:}"
    instant=1 real_run "${instant_run%%:*}" "${instant_run#*:}" 10

    # The storm: one thread of the farm's pop-up owner (window_farm.exe --storm).
    echo | tee -a "$report"
    echo "== Storm: window_farm.exe --storm makes and destroys windows for 10 s, a pop-up every 50 ms among them;" \
        "popquell.exe /instant, the demo browser picked, Start" | tee -a "$report"
    instant=1 storm=1 real_run 0 20 1
    tr -d '\r' <"$data/farm.out" | grep -E '^(storm|probe|popups-left) ' | tee -a "$report"
    tr -d '\r' <"$data/farm.out" | awk -v bound="$kProbeBoundMs" '$1 == "probe" {
        for (i = 2; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = kv[2] }
        ok = f["asked"] > 0 && f["unanswered"] == 0 && f["slowest-ms"] <= bound
        printf "target: the main window answers within %d ms throughout: %s\n", bound, ok ? "met" : "MISSED"
        exit !ok }
        END { if (!ok && !f["asked"]) exit 1 }' | tee -a "$report"
    ((PIPESTATUS[1] == 0)) || miss "storm: the main window did not answer within $kProbeBoundMs ms"
    awk '$1 <= 10.5 { t = $1; c = $2; if (NR == 1) { t0 = t; c0 = c } }
        END { printf "popquell.exe in the storm: %.1f ms CPU per second over %.0f s\n", 10 * (c - c0) / (t - t0), t - t0 }' \
        "$data/storm-samples.dat" | tee -a "$report"
fi

draw

echo "load after: $(cut -d ' ' -f 1-3 /proc/loadavg)" | tee -a "$report"
echo "targets missed: $missed" | tee -a "$report"
popquell_log "report: $report"
((missed == 0))
