#!/usr/bin/env bash
# Checks what a built popquell.exe (or popquell-x86.exe) carries, with the
# MinGW binutils only: its size, the DLLs and functions it imports, its icon,
# its version information and its manifest. Prints one line a check, "ok" or "FAIL", and
# exits 1 if any check failed. ctest runs it as the test exe_contents.
#
#   scripts/check-exe.sh [--objdump PROG] [--windres PROG] [--version X.Y.Z]
#                        [--max-size BYTES] [--imports-list FILE] popquell.exe
#
# --max-size 0 (the default) skips the size check, for builds that keep
# their debug information.
#
# Imports. The program is one file that runs on any Windows: it may import
# only from DLLs that every Windows has. It reads and writes no files and no
# registry and talks to no network, so it imports no function that opens,
# names, creates or searches files, and none of the registry. The static C
# and C++ runtimes bring descriptor-level calls (_read, _close, fwrite on
# stderr) that they need for their own error paths; without an import that
# opens a file they cannot reach one, so they are allowed.
#
# Windows 7 is the oldest Windows it runs on: every imported function must be
# in the list of functions Windows 7 has (--imports-list, by default
# scripts/windows7-imports.txt, which says where each one's minimum comes
# from).
set -uo pipefail

objdump=x86_64-w64-mingw32-objdump
windres=x86_64-w64-mingw32-windres
version=
max_size=0
imports_list=$(dirname "${BASH_SOURCE[0]}")/windows7-imports.txt
exe=

while [[ $# -gt 0 ]]; do
    case $1 in
        --objdump) objdump=$2; shift 2 ;;
        --objdump=*) objdump=${1#*=}; shift ;;
        --windres) windres=$2; shift 2 ;;
        --windres=*) windres=${1#*=}; shift ;;
        --version) version=$2; shift 2 ;;
        --version=*) version=${1#*=}; shift ;;
        --max-size) max_size=$2; shift 2 ;;
        --max-size=*) max_size=${1#*=}; shift ;;
        --imports-list) imports_list=$2; shift 2 ;;
        --imports-list=*) imports_list=${1#*=}; shift ;;
        -*) echo "check-exe.sh: unknown option $1" >&2; exit 2 ;;
        *) exe=$1; shift ;;
    esac
done
if [[ -z $exe ]]; then
    echo "usage: $0 [--objdump PROG] [--windres PROG] [--version X.Y.Z] [--max-size BYTES] [--imports-list FILE] EXE" >&2
    exit 2
fi

failures=0
ok() { printf 'ok:   %s\n' "$*"; }
fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

if [[ ! -f $exe ]]; then
    fail "$exe does not exist (build the target popquell first)"
    exit 1
fi

# --- Size -------------------------------------------------------------------
size=$(wc -c <"$exe" | tr -d ' ')
if [[ $max_size -eq 0 ]]; then
    ok "size $size bytes (no limit for this build type)"
elif [[ $size -le $max_size ]]; then
    ok "size $size bytes, at most $max_size"
else
    fail "size $size bytes, more than the limit of $max_size bytes by $((size - max_size))"
fi

# --- Headers and imports ----------------------------------------------------
if ! headers=$("$objdump" -p "$exe" 2>&1); then
    fail "$objdump -p could not read $exe: $headers"
    exit 1
fi

if grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers"; then
    ok "subsystem is Windows GUI"
else
    fail "subsystem is not Windows GUI: $(grep -E '^Subsystem' <<<"$headers")"
fi

# One line "DLL FUNCTION" an import, from the import tables only.
imports=$(awk '
    /^The Import Tables/ { inside = 1; next }
    /^The / { inside = 0 }
    !inside { next }
    /^[ \t]*DLL Name:/ { dll = $3; print dll " -"; next }
    dll != "" && /^\t[0-9a-fA-F]+\t/ { print dll " " $NF }
' <<<"$headers")

if [[ -z $imports ]]; then
    fail "found no import table in $objdump -p output"
else
    # DLLs that ship with every Windows the program runs on. The
    # api-ms-win-crt-* sets and ucrtbase are the Universal CRT of Windows 10;
    # shell32 gives the command line's split (/instant).
    allowed_dll='^(kernel32|user32|gdi32|comctl32|shell32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
    bad_dlls=0
    while read -r dll; do
        if ! grep -qiE "$allowed_dll" <<<"$dll"; then
            fail "imports from $dll: only kernel32, user32, gdi32, comctl32, shell32 and the C runtime are allowed (they ship with every Windows, and none of them is the network's or the registry's)"
            bad_dlls=$((bad_dlls + 1))
        fi
    done < <(awk '{ print $1 }' <<<"$imports" | sort -uf)
    dll_list=$(awk '{ print $1 }' <<<"$imports" | sort -uf | tr '\n' ' ')
    if [[ $bad_dlls -eq 0 ]]; then
        ok "imports only from ${dll_list% }"
    fi

    files='^(CreateFile|OpenFile|_lopen|_lcreat|ReadFile|WriteFile|DeleteFile|CopyFile|MoveFile|ReplaceFile|FindFirstFile|FindNextFile|CreateDirectory|RemoveDirectory|GetFileAttributes|SetFileAttributes|CreateFileMapping|GetTempFileName|CreateHardLink|CreateSymbolicLink|SetCurrentDirectory|GetPrivateProfile|WritePrivateProfile|GetProfile|WriteProfile)'
    crt_files='^_?(fopen|fopen_s|_wfopen|_wfopen_s|freopen|_wfreopen|_fsopen|_wfsopen|_open|_wopen|_sopen|_sopen_s|_wsopen|_wsopen_s|_creat|_wcreat|remove|_wremove|rename|_wrename|_unlink|_wunlink|_mkdir|_wmkdir|_rmdir|_wrmdir|_findfirst.*|_wfindfirst.*|tmpfile|tmpfile_s|tmpnam|tmpnam_s|_tempnam|_wtempnam|_mktemp|_wmktemp|_chdir|_wchdir|_popen|_wpopen|system|_wsystem)$'
    registry='^(Reg[A-Z]|SHReg|SHGetValue|SHSetValue)'
    network='^(WSA|socket$|connect$|getaddrinfo|gethostbyname|Internet|Http|WinHttp|URLDownload)'
    bad_functions=0
    while read -r dll function; do
        [[ $function == - ]] && continue
        what=
        if grep -qE "$files|$crt_files" <<<"$function"; then
            what="works on files"
        elif grep -qE "$registry" <<<"$function"; then
            what="works on the registry"
        elif grep -qE "$network" <<<"$function"; then
            what="reaches the network"
        fi
        if [[ -n $what ]]; then
            fail "imports $function from $dll, which $what"
            bad_functions=$((bad_functions + 1))
        fi
    done <<<"$imports"
    count=$(grep -cv ' -$' <<<"$imports")
    if [[ $bad_functions -eq 0 ]]; then
        ok "none of the $count imported functions works on files or the registry or reaches the network"
    fi

    # "dll function" of each listed function whose minimum is Windows 7 or
    # older; the DLL in lower case, as Windows matches it.
    if [[ ! -r $imports_list ]]; then
        fail "cannot read the list of Windows 7 functions $imports_list"
    else
        not_win7=$(awk '!/^[ \t]*(#|$)/ && $3 !~ /^(XP|XP-x64|Vista|7|CRT)$/ { print $2 " (" $3 ")" }' "$imports_list")
        if [[ -n $not_win7 ]]; then
            fail "$imports_list lists functions newer than Windows 7: $(tr '\n' ' ' <<<"$not_win7")"
        fi
        win7=$(awk '!/^[ \t]*(#|$)/ && $3 ~ /^(XP|XP-x64|Vista|7|CRT)$/ { print tolower($1) " " $2 }' "$imports_list")
        missing=$(awk '$2 != "-" { print tolower($1) " " $2 }' <<<"$imports" |
            grep -vxFf <(printf '%s\n' "$win7"))
        if [[ -n $missing ]]; then
            while read -r dll function; do
                fail "imports $function from $dll, which is not in the list of Windows 7 functions ($imports_list): look its minimum client up, and look it up at run time if that is newer"
            done <<<"$missing"
        else
            ok "all $count imported functions are in the list of Windows 7 functions"
        fi
    fi
fi

# --- Resources --------------------------------------------------------------
if ! resources=$("$windres" -J coff -i "$exe" -O rc 2>&1); then
    fail "$windres could not read the resources of $exe: $resources"
    exit 1
fi

# The lines of one resource, from its "NAME TYPE" line to its END.
resource() {
    awk -v head="$1" '
        index($0, head) == 1 { inside = 1 }
        inside { print }
        inside && /^END/ { exit }
    ' <<<"$resources"
}

group=$(resource "1 14 ")
if [[ -z $group ]]; then
    fail "no icon group 1 (IDI_POPQUELL): the executable has no icon of its own"
else
    elements=$(grep -c 'Element no' <<<"$group")
    # windres writes each image as "width height colours pad", planes, bits.
    has32=$(grep -cF '"\040\040\020\000", 1, 4,' <<<"$group")
    has16=$(grep -cF '"\020\020\020\000", 1, 4,' <<<"$group")
    if [[ $elements -eq 2 && $has32 -eq 1 && $has16 -eq 1 ]]; then
        ok "icon 1 has two images, 32 by 32 and 16 by 16, 16 colours each"
    else
        fail "icon 1 should have exactly a 32 by 32 and a 16 by 16 image of 16 colours; windres shows:"
        printf '%s\n' "$group" | sed 's/^/      /'
    fi
fi

# Each icon image: a 40-byte BITMAPINFOHEADER, 16 palette entries, the 4-bit
# colour bitmap and the 1-bit AND mask, which must be all zero (opaque).
icon_ids=$(grep -E '^[0-9]+ 3 ' <<<"$resources" | awk '{ print $1 }')
if [[ $(wc -w <<<"$icon_ids") -ne 2 ]]; then
    fail "expected 2 icon images (RT_ICON), found $(wc -w <<<"$icon_ids")"
fi
for id in $icon_ids; do
    words=$(resource "$id 3 " | sed '1,/^BEGIN/d; /^END/,$d' |
        awk -F '[ ,\t]+' '{ for (i = 1; i <= NF; i++) if ($i != "") { sub(/L$/, "", $i); print $i } }')
    read -r header width height planes_bits _ < <(tr '\n' ' ' <<<"$words")
    width=$((width)); height=$((height / 2))
    if [[ $((header)) -ne 40 || $((planes_bits)) -ne $((0x40001)) ]]; then
        fail "icon image $id is not a 16-colour bitmap (header size $header, planes and bits $planes_bits)"
        continue
    fi
    mask_words=$((((width + 31) / 32) * height))
    nonzero=$(tail -n "$mask_words" <<<"$words" | grep -cv '^0x0$')
    if [[ $(wc -l <<<"$words") -ne $((10 + 16 + width * height / 8 + mask_words)) ]]; then
        fail "icon image $id (${width} by ${height}) has an unexpected length"
    elif [[ $nonzero -ne 0 ]]; then
        fail "icon image $id (${width} by ${height}) has transparent pixels: its AND mask is not all zero"
    else
        ok "icon image $id, ${width} by ${height}, 16 colours, no transparent pixels"
    fi
done

versioninfo=$(resource "1 VERSIONINFO")
if [[ -z $versioninfo ]]; then
    fail "no version information"
else
    expect_value() {
        if grep -qF "VALUE \"$1\", \"$2\"" <<<"$versioninfo"; then
            ok "version information: $1 \"$2\""
        else
            found=$(grep -F "\"$1\"" <<<"$versioninfo" | sed 's/^ *//')
            fail "version information: $1 should be \"$2\", found ${found:-no $1}"
        fi
    }
    expect_value FileDescription "Popquell - closes Internet Explorer pop-up windows"
    expect_value ProductName "Popquell"
    expect_value OriginalFilename "$(basename "$exe")"
    if [[ -n $version ]]; then
        expect_value FileVersion "$version"
        expect_value ProductVersion "$version"
        IFS=. read -r major minor patch _ <<<"$version"
        numeric="FILEVERSION ${major:-0}, ${minor:-0}, ${patch:-0}, 0"
        if grep -qF "$numeric" <<<"$versioninfo"; then
            ok "version information: $numeric"
        else
            fail "version information: expected $numeric, found $(grep -F FILEVERSION <<<"$versioninfo" | sed 's/^ *//')"
        fi
    fi
fi

manifests=$(grep -cE '^[0-9]+ 24 ' <<<"$resources")
manifest=$(resource "1 24 ")
if [[ $manifests -ne 1 || -z $manifest ]]; then
    fail "expected one manifest, resource 1 of type 24, found $manifests manifest resources"
else
    # The supportedOS entries of Windows 7, 8, 8.1 and 10 (which 11 shares).
    for needle in 'PerMonitorV2' 'true/pm' 'level=""asInvoker""' \
        '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' \
        '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
        if grep -qF "$needle" <<<"$manifest"; then
            ok "manifest declares ${needle//\"\"/\"}"
        else
            fail "manifest does not declare ${needle//\"\"/\"}"
        fi
    done
fi

if [[ $failures -gt 0 ]]; then
    echo "$failures check(s) failed for $exe"
    exit 1
fi
echo "all checks passed for $exe"
