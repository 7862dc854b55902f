#!/usr/bin/env bash
# Builds the release zip, build/windows/Popquell-VERSION-windows.zip: the x86
# executable first, then the x64 one, whose build packs both with the README
# and the licence. Installs the compilers it needs first.
#
#   scripts/release.sh
set -euo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$POPQUELL_ROOT"

ensure_packages "${POPQUELL_BUILD_PACKAGES[@]}" "${POPQUELL_WINDOWS_PACKAGES[@]}" \
    "${POPQUELL_X86_PACKAGES[@]}"

cmake --preset windows-x86 </dev/null
cmake --build --preset windows-x86 --target popquell </dev/null
cmake --preset windows -DPOPQUELL_X86_BUILD_DIR="$POPQUELL_BUILD/windows-x86" </dev/null
cmake --build --preset windows --target package </dev/null
ls "$POPQUELL_BUILD"/windows/Popquell-*-windows.zip
