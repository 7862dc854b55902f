#!/usr/bin/env bash
# Checks that the layers run one way: the folders' #include graph has no
# cycle (tsort finds one), help/ and ui/ use nothing of app/, and only the
# win32/ folders include <windows.h>. Prints what is wrong; exit 1 if any.
#
#   scripts/check-layers.sh
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1

layers=(winsys ui help app)
bad=0
edges=$(
    for layer in "${layers[@]}"; do
        grep -rhoE '^#include "[a-z]+/' --include='*.h' --include='*.cpp' "$layer" |
            sed -E 's/#include "([a-z]+)\//\1/' | sort -u |
            while read -r used; do
                [[ $used != "$layer" && " ${layers[*]} " == *" $used "* ]] && echo "$layer $used"
            done
    done
)
echo "$edges" | sed 's/^/uses: /'
if ! tsort <<<"$edges" >/dev/null 2>&1; then
    echo "the layers include each other in a cycle"
    bad=1
fi
if grep -rlE '^#include "app/' help ui; then
    echo "^ help/ and ui/ must not include app/"
    bad=1
fi
if grep -rlE '^#include <windows\.h>' app help winsys ui --include='*.h' --include='*.cpp' | grep -v '/win32/'; then
    echo "^ only the win32/ folders include <windows.h>"
    bad=1
fi
exit "$bad"
