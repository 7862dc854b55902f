# shellcheck shell=bash disable=SC2034
# Shared helpers for the set-up, run and test scripts. Source it from bash.
#
# Everything the scripts need is installed on demand, the Wine prefix lives in
# the build folder (never ~/.wine), and a virtual X server is started only when
# there is no display. Every wait has a deadline, so nothing here can hang.

POPQUELL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
POPQUELL_BUILD="$POPQUELL_ROOT/build"

# What scripts/test.sh needs; scripts/run.sh needs a subset. x11-utils is not
# called by the scripts: it brings the X libraries (XRender, XRandR, XInput...)
# that Wine's X11 driver loads at run time, so a fresh machine behaves like a
# developer's one.
POPQUELL_BUILD_PACKAGES=(cmake ninja-build)
POPQUELL_NATIVE_PACKAGES=(g++ libgtest-dev libgmock-dev libbenchmark-dev)
# ImageMagick makes the icon from its pixel maps.
POPQUELL_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest imagemagick)
# Every command installs the same Wine, its 32-bit loader included, before it
# makes a prefix: a 64-bit prefix made without that loader has no 32-bit
# system, and no program starts in it once the loader is there. xdotool
# clicks for the demo's driver.
POPQUELL_WINE_PACKAGES=(wine wine64 wine32:i386 fonts-wine xvfb x11-utils xdotool)
# The x86 build, which Wine's 32-bit loader runs in a 32-bit prefix.
POPQUELL_X86_PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev)
# A second compiler for the Windows sources: clang with the MinGW-w64 headers.
POPQUELL_CLANG_PACKAGES=(clang lld)

popquell_log() {
    printf '[popquell] %s\n' "$*" >&2
}

popquell_die() {
    printf '[popquell] error: %s\n' "$*" >&2
    return 1
}

# Runs a command as root: directly when we are root, else through sudo.
popquell_as_root() {
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        popquell_die "need root to run '$*', and sudo is not installed"
    fi
}

popquell_is_installed() {
    [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}

# ensure_foreign_architecture ARCH: lets dpkg install packages of ARCH (i386
# for wine32), and has the package lists updated again so they include it.
ensure_foreign_architecture() {
    [[ $1 == "$(dpkg --print-architecture)" ]] && return 0
    dpkg --print-foreign-architectures | grep -qx "$1" && return 0
    popquell_log "adding the dpkg architecture $1"
    popquell_as_root dpkg --add-architecture "$1" ||
        popquell_die "could not add the dpkg architecture $1" || return 1
    POPQUELL_APT_UPDATED=
}

# ensure_packages PKG...: installs with apt-get the packages that are missing;
# PKG:ARCH names a package of another architecture, which is enabled first.
# The package lists are updated once per shell, and only when something is
# missing.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        popquell_is_installed "$pkg" || missing+=("$pkg")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    for pkg in "${missing[@]}"; do
        if [[ $pkg == *:* ]]; then
            ensure_foreign_architecture "${pkg#*:}" || return 1
        fi
    done

    popquell_log "installing: ${missing[*]}"
    # env, not a variable assignment: sudo may drop variables given on its
    # command line.
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q
               -o DPkg::Lock::Timeout=300)
    if [[ -z ${POPQUELL_APT_UPDATED:-} ]]; then
        popquell_as_root "${apt[@]}" update </dev/null \
            || popquell_die "apt-get update failed" || return 1
        POPQUELL_APT_UPDATED=1
    fi
    popquell_as_root "${apt[@]}" install --no-install-recommends "${missing[@]}" </dev/null \
        || popquell_die "could not install: ${missing[*]}" || return 1
}

# start_xvfb_if_needed: when DISPLAY is unset, starts Xvfb on a free display
# and exports DISPLAY. The server picks the number itself (-displayfd), so two
# runs at once cannot take the same one. Stop it with stop_xvfb.
POPQUELL_XVFB_PID=
POPQUELL_XVFB_DIR=
start_xvfb_if_needed() {
    [[ -n ${DISPLAY:-} ]] && return 0
    command -v Xvfb >/dev/null 2>&1 || popquell_die "Xvfb is not installed" || return 1

    POPQUELL_XVFB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/popquell-xvfb.XXXXXX") || return 1
    local numfile="$POPQUELL_XVFB_DIR/display"
    : >"$numfile"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$numfile" </dev/null >"$POPQUELL_XVFB_DIR/xvfb.log" 2>&1 &
    POPQUELL_XVFB_PID=$!

    # The number is written, with a newline, once the server accepts clients.
    local deadline=$((SECONDS + 30)) num=
    while :; do
        if [[ $(wc -l <"$numfile") -ge 1 ]]; then
            read -r num <"$numfile"
            break
        fi
        if ! kill -0 "$POPQUELL_XVFB_PID" 2>/dev/null; then
            cat "$POPQUELL_XVFB_DIR/xvfb.log" >&2
            stop_xvfb
            popquell_die "Xvfb did not start"
            return 1
        fi
        if ((SECONDS >= deadline)); then
            stop_xvfb
            popquell_die "Xvfb did not report a display within 30 s"
            return 1
        fi
        sleep 0.1
    done
    if [[ ! $num =~ ^[0-9]+$ ]]; then
        stop_xvfb
        popquell_die "Xvfb reported a strange display number: '$num'"
        return 1
    fi
    export DISPLAY=":$num"
    popquell_log "started Xvfb on $DISPLAY (pid $POPQUELL_XVFB_PID)"
}

# stop_xvfb: stops the Xvfb that start_xvfb_if_needed started, if any.
stop_xvfb() {
    local pid=$POPQUELL_XVFB_PID
    if [[ -n $pid ]]; then
        kill -TERM "$pid" 2>/dev/null
        local deadline=$((SECONDS + 5))
        while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        POPQUELL_XVFB_PID=
        unset DISPLAY
    fi
    if [[ -n $POPQUELL_XVFB_DIR ]]; then
        rm -rf "$POPQUELL_XVFB_DIR"
        POPQUELL_XVFB_DIR=
    fi
    return 0
}

# wine_env [PREFIX [ARCH]]: exports the Wine settings every script and test
# uses. ARCH win32 makes a 32-bit prefix, which Wine's 32-bit loader runs; by
# default the prefix is 64-bit. Without mscoree and mshtml Wine does not offer
# to install Mono and Gecko; without winemenubuilder it leaves the home
# folder alone.
wine_env() {
    export WINEPREFIX=${1:-${POPQUELL_WINEPREFIX:-$POPQUELL_BUILD/wineprefix}}
    if [[ -n ${2:-} ]]; then
        export WINEARCH=$2
    else
        unset WINEARCH
    fi
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# wine_made_with [ARCH]: what a prefix is made with, as its stamp records it:
# the set-up below (its number goes up when that changes), the prefix's
# architecture, Wine's version and the loaders installed (wine32:i386 brings
# the 32-bit one). A prefix is made again when any of them changes.
wine_made_with() {
    local loaders=() loader
    for loader in /usr/lib/wine/wine /usr/lib/wine/wine64; do
        [[ -x $loader ]] && loaders+=("${loader##*/}")
    done
    printf 'set-up 3, %s, %s, loaders: %s\n' "${1:-win64}" "$(wine --version 2>&1)" "${loaders[*]}"
}

# init_wine_prefix [PREFIX [ARCH]]: makes the Wine prefix, or makes it again
# when the Wine it was made with has changed (see wine_made_with), and
# exports the Wine settings. Safe to call from parallel processes. A prefix
# that these scripts did not make is left alone, with a word on what to do.
#
# The prefix gets Wine's own fonts (fonts-wine): Marlett, which Wine draws the
# caption buttons with (without it they read "0 1 r"), Tahoma and the bitmap
# MS Sans Serif. Debian's Wine does not look for them by itself, so the
# prefix gets copies, and the registry names the two it would not find.
init_wine_prefix() {
    wine_env "$@"
    local stamp="$WINEPREFIX/.popquell-prefix" want
    want=$(wine_made_with "${2:-}")
    [[ -f $stamp && $(<"$stamp") == "$want" ]] && return 0

    mkdir -p "$(dirname "$WINEPREFIX")" || return 1
    local lock
    exec {lock}>"$WINEPREFIX.lock" || return 1
    if ! flock -w 300 "$lock"; then
        exec {lock}>&-
        popquell_die "timed out waiting for another process to make the Wine prefix $WINEPREFIX"
        return 1
    fi
    local ok=1
    if [[ ! -f $stamp || $(<"$stamp") != "$want" ]]; then
        # Ours have a stamp (.popquell-ready-N before set-up 3).
        if [[ -n $(ls -A "$WINEPREFIX" 2>/dev/null) ]] &&
            ! compgen -G "$WINEPREFIX/.popquell-*" >/dev/null; then
            popquell_die "$WINEPREFIX is a Wine prefix that these scripts did not make; move or" \
                "delete it (rm -rf '$WINEPREFIX'), or name another folder in \$POPQUELL_WINEPREFIX" \
                "(\$POPQUELL_WINEPREFIX_X86 for the x86 build)"
            ok=
        else
            make_wine_prefix "$want" || ok=
        fi
    fi
    flock -u "$lock"
    exec {lock}>&-
    [[ -n $ok ]]
}

# make_wine_prefix STAMP: makes $WINEPREFIX anew; called under its lock, for
# a folder that is empty or one of ours.
make_wine_prefix() {
    if [[ -n $(ls -A "$WINEPREFIX" 2>/dev/null) ]]; then
        popquell_log "the Wine prefix $WINEPREFIX was made with another Wine or set-up, or not" \
            "finished; making it again"
        timeout -k 5 20 wineserver -k >/dev/null 2>&1
        rm -rf "$WINEPREFIX" || return 1
    fi
    popquell_log "making the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX" && echo "being made" >"$WINEPREFIX/.popquell-prefix" || return 1
    local log ok=1
    log="$WINEPREFIX.log"
    {
        timeout -k 10 300 wineboot -i &&
        # Unmanaged windows: Wine's X11 driver otherwise waits up to 2 s
        # for the window manager on every hide.
        timeout -k 10 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" &&
        cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" &&
        timeout -k 10 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
            /v 'Marlett (TrueType)' /d marlett.ttf /f &&
        timeout -k 10 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
            /v 'Tahoma (TrueType)' /d tahoma.ttf /f &&
        # The registry reaches the disk when the server exits.
        timeout -k 10 60 wineserver -w
    } >"$log" 2>&1 || ok=
    if [[ -n $ok ]]; then
        printf '%s\n' "$1" >"$WINEPREFIX/.popquell-prefix"
        return 0
    fi
    timeout 20 wineserver -k >/dev/null 2>&1
    popquell_die "Wine could not make the prefix $WINEPREFIX (its log: $log); run the command" \
        "again, which makes it anew"
}

# wine_starts: true when Wine starts a program in the prefix; else says so in
# one line, with the way out. What Wine says goes to a file: the session's
# processes that this program starts keep its output open.
wine_starts() {
    local said rc
    said=$(mktemp "${TMPDIR:-/tmp}/popquell-wine.XXXXXX") || return 1
    timeout -k 5 60 wine cmd /c exit 0 </dev/null >/dev/null 2>"$said"
    rc=$?
    ((rc == 0)) || wine_cannot_start "$rc" "$(grep -m 1 . "$said")"
    rm -f "$said"
    return "$rc"
}

# wine_cannot_start CODE [WHAT WINE SAID]: the line for a program that Wine
# could not start (code 53: it could not load the system in the prefix).
wine_cannot_start() {
    popquell_die "Wine cannot start programs in the prefix $WINEPREFIX (exit code $1${2:+: ${2%$'\r'}});" \
        "delete that folder (rm -rf '$WINEPREFIX') and run the command again, which makes it anew"
}

# take_display_turn PREFIX: waits for the turn of the runs on private
# displays that use PREFIX, and keeps it until the shell ends. Wine's desktop
# process of a prefix lives on one display, so two displays must not share it.
take_display_turn() {
    mkdir -p "$(dirname "$1")" || return 1
    exec {POPQUELL_TURN}>"$1.display.lock" || return 1
    flock -w 600 "$POPQUELL_TURN" ||
        popquell_die "no display, and another headless Wine run held $1 for 10 minutes"
}

# screenshot FILE: the whole X screen, as PNG (xwd and ImageMagick).
screenshot() {
    xwd -root -silent 2>/dev/null | convert xwd:- "png:$1" 2>/dev/null ||
        popquell_log "could not take the screenshot $1"
}

# play_driver SECONDS DRIVER_OPTIONS...: runs the demo driver of the Windows
# build in the current folder, and acts for it as a person at the mouse: its
# lines "[click] X Y ..." become clicks at those points of $DISPLAY (Wine's
# screen is the X screen when its windows are unmanaged and there is no
# virtual desktop), its lines "[shot] NAME" screenshots NAME.png; the rest of
# its report is printed as it comes. The report goes through a file, since
# Wine's helper processes hold a pipe open after the driver has ended. Returns
# the driver's exit code; a driver still running after SECONDS is ended and
# fails.
play_driver() {
    local seconds=$1 out=demo-driver.out driver fd line rest=
    local deadline=$((SECONDS + seconds))
    shift
    : >"$out" || return 1
    wine ./demo/demo_driver.exe "$@" </dev/null >"$out" 2>&1 &
    driver=$!
    exec {fd}<"$out"
    while :; do
        # A line still being written comes back from read unfinished.
        while IFS= read -r -u "$fd" line; do
            driver_said "$rest$line"
            rest=
        done
        rest+=$line
        kill -0 "$driver" 2>/dev/null || break
        if ((SECONDS >= deadline)); then
            popquell_log "error: the demo driver was still running after $seconds s; ending it"
            kill -TERM "$driver" 2>/dev/null
            wait_for_pid "$driver" 5 || kill -KILL "$driver" 2>/dev/null
            break
        fi
        sleep 0.1
    done
    while IFS= read -r -u "$fd" line || [[ -n $line$rest ]]; do
        driver_said "$rest$line"
        rest=
    done
    exec {fd}<&-
    wait "$driver"
}

# driver_said LINE: one line of the demo driver's report, for play_driver.
driver_said() {
    local line=${1%$'\r'} x y
    case $line in
    "[click] "*)
        read -r x y _ <<<"${line#"[click] "}"
        if ! [[ $x =~ ^-?[0-9]+$ && $y =~ ^-?[0-9]+$ ]] ||
            ! timeout -k 1 10 xdotool mousemove "$x" "$y" click 1; then
            popquell_log "could not click at $x,$y"
        fi
        ;;
    "[shot] "*)
        screenshot "${line#"[shot] "}.png"
        ;;
    *)
        printf '%s\n' "$line"
        ;;
    esac
}

# stop_wine: ends every Wine process of our prefix.
stop_wine() {
    if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]] && command -v wineserver >/dev/null 2>&1; then
        timeout -k 5 20 wineserver -k >/dev/null 2>&1
    fi
    return 0
}

# wait_for_pid PID SECONDS: true when the process ended within the time.
wait_for_pid() {
    local deadline=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.1
    done
    return 0
}

# The Windows programs a script starts, by the pid of their Wine process.
pids=()
# end_our_processes: ends each of them, TERM first and KILL after 5 s.
end_our_processes() {
    local pid deadline
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    deadline=$((SECONDS + 5))
    for pid in "${pids[@]}"; do
        while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    pids=()
}

# cleanup: for an EXIT trap of a script that starts Windows programs.
# shellcheck disable=SC2317
cleanup() {
    end_our_processes
    stop_everything
}

# stop_everything: for an EXIT trap. Wine goes first, while its display is up.
stop_everything() {
    stop_wine
    stop_xvfb
}
