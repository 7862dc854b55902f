#!/usr/bin/env bash
# Photographs the real program for the README: docs/main-window.png and
# docs/instructions.png, each cropped to its window.
#
#   scripts/screenshots.sh [WINDOWS_BUILD_DIR]     (default: build/windows)
#
# Runs popquell.exe from the build dir under Wine, presses Alt+H for the
# instructions, Alt+C to close them and Alt+F4 to end the program. Uses
# $DISPLAY, or a private Xvfb when there is none, and a Wine prefix of its own
# ($POPQUELL_SCREENSHOT_PREFIX, default build/screenshots-prefix).
set -uo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT" || exit 1

build=${1:-$POPQUELL_BUILD/windows}
program="$build/popquell.exe"
[[ -f $program ]] || { popquell_die "no $program: build the windows preset first"; exit 1; }

# Wine's own fonts give the classic look: the bitmap MS Sans Serif that the
# buttons ask for, and Marlett for the caption buttons. Liberation Sans has
# Arial's metrics. xwd takes the picture, ImageMagick crops it, xdotool types.
packages=(fonts-wine fonts-liberation x11-apps x11-utils xdotool)
command -v convert >/dev/null 2>&1 || packages+=(imagemagick)
ensure_packages "${packages[@]}" || exit 1

program_pid=
cleanup() {
    [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
    stop_everything
}
trap cleanup EXIT
start_xvfb_if_needed || exit 1
init_wine_prefix "${POPQUELL_SCREENSHOT_PREFIX:-$POPQUELL_BUILD/screenshots-prefix}" || exit 1

# init_wine_prefix has given the prefix Wine's own fonts.

# The X window of the program's main window, and of its dialog: the one of
# popquell.exe without a name that is more than a speck (Wine's IME window
# is 1x1).
main_window() {
    xwininfo -root -tree 2>/dev/null |
        awk '/"To select a window, click Select Window\.  Then click Start to begin\."/ && /popquell\.exe/ {print $1; exit}'
}
dialog_window() {
    xwininfo -root -tree 2>/dev/null |
        awk '/\(has no name\): \("popquell\.exe"/ && !/ 1x1\+/ {print $1; exit}'
}

# wait_for COMMAND SECONDS: until COMMAND prints something.
wait_for() {
    local deadline=$((SECONDS + $2)) found
    while ((SECONDS < deadline)); do
        found=$($1)
        [[ -n $found ]] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}

photograph() {  # X-WINDOW NAME
    local info x y w h
    info=$(xwininfo -id "$1") || return 1
    x=$(sed -n 's/.*Absolute upper-left X: *\(-\?[0-9]*\).*/\1/p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *\(-\?[0-9]*\).*/\1/p' <<<"$info")
    w=$(sed -n 's/.*Width: *\([0-9]*\).*/\1/p' <<<"$info")
    h=$(sed -n 's/.*Height: *\([0-9]*\).*/\1/p' <<<"$info")
    # Wine hands its drawing to the X server a moment after painting.
    sleep 1
    xwd -root -silent | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "docs/$2.png" || return 1
    popquell_log "docs/$2.png: ${w}x${h}"
}

mkdir -p docs
wine "$program" >/dev/null 2>&1 &
program_pid=$!

main=$(wait_for main_window 60) || { popquell_die "the main window did not come up"; exit 1; }
photograph "$main" main-window || exit 1

xdotool key --window "$main" alt+h
dialog=$(wait_for dialog_window 30) || { popquell_die "Alt+H opened no dialog"; exit 1; }
photograph "$dialog" instructions || exit 1

# The main window takes keys again once the dialog has gone.
xdotool key --window "$dialog" alt+c 2>/dev/null
no_dialog() { [[ -z $(dialog_window) ]] && echo gone; }
wait_for no_dialog 30 >/dev/null || { popquell_die "Alt+C did not close the dialog"; exit 1; }
xdotool key --window "$main" alt+F4 2>/dev/null
deadline=$((SECONDS + 30))
while kill -0 "$program_pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.2; done
if kill -0 "$program_pid" 2>/dev/null; then
    popquell_die "the program did not end on Alt+F4"
    exit 1
fi
program_pid=
