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
POPQUELL_WINE_PACKAGES=(wine wine64 fonts-wine xvfb x11-utils)
# The x86 build and Wine's 32-bit loader, which runs it in a 32-bit prefix.
POPQUELL_X86_PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev wine32:i386)
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

# init_wine_prefix [PREFIX [ARCH]]: creates the Wine prefix once (marked by a
# stamp file) and exports the Wine settings. Safe to call from parallel
# processes.
#
# The prefix gets Wine's own fonts (fonts-wine): Marlett, which Wine draws the
# caption buttons with (without it they read "0 1 r"), Tahoma and the bitmap
# MS Sans Serif. Debian's Wine does not look for them by itself, so the
# prefix gets copies, and the registry names the two it would not find.
init_wine_prefix() {
    wine_env "$@"
    # Its number goes up when the set-up below changes, so that existing
    # prefixes are set up again (every step can be repeated).
    local stamp="$WINEPREFIX/.popquell-ready-2"
    [[ -f $stamp ]] && return 0

    mkdir -p "$(dirname "$WINEPREFIX")" || return 1
    local lock
    exec {lock}>"$WINEPREFIX.lock" || return 1
    if ! flock -w 300 "$lock"; then
        exec {lock}>&-
        popquell_die "timed out waiting for another process to create $WINEPREFIX"
        return 1
    fi
    if [[ ! -f $stamp ]]; then
        popquell_log "setting up the Wine prefix $WINEPREFIX (once)"
        local log ok=1
        log="$(dirname "$WINEPREFIX")/wineprefix-init.log"
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
            touch "$stamp"
        else
            cat "$log" >&2
            timeout 20 wineserver -k >/dev/null 2>&1
        fi
    fi
    flock -u "$lock"
    exec {lock}>&-
    [[ -f $stamp ]] || popquell_die "could not create the Wine prefix $WINEPREFIX"
}

# stop_wine: ends every Wine process of our prefix.
stop_wine() {
    if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]] && command -v wineserver >/dev/null 2>&1; then
        timeout -k 5 20 wineserver -k >/dev/null 2>&1
    fi
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
