#!/usr/bin/env bash
# A journey that fails ends what it started and returns at once, non-zero,
# with the reason. The driver leaves the browser alone, so Popquell asks
# nothing; the report must say what was in front at each tick of Popquell's
# watcher, and the script must be back within 30 s of the failure with both
# programs ended.
#
#   tests/e2e/failing-journey.sh BUILD_DIR
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$(mktemp "${TMPDIR:-/tmp}/popquell-failing.XXXXXX") || exit 1
"$root/scripts/demo.sh" --demo --seconds 5 "$1" -- --no-browser-click >"$out" 2>&1 &
journey=$!
trap 'kill "$journey" 2>/dev/null; rm -f "$out"' EXIT

failed_at=
deadline=$((SECONDS + 120))
while kill -0 "$journey" 2>/dev/null && ((SECONDS < deadline)); do
    [[ -z $failed_at ]] && grep -q 'PROBLEM: Popquell asked nothing' "$out" && failed_at=$SECONDS
    sleep 0.2
done
wait_ok=1
kill -0 "$journey" 2>/dev/null && wait_ok=
wait "$journey"
rc=$?
tr -d '\r' <"$out"

problems=()
if [[ -z $failed_at ]]; then
    problems+=("the driver did not report the missing question")
elif [[ -n $wait_ok ]]; then
    echo "the script returned $((SECONDS - failed_at)) s after the failure"
    ((SECONDS - failed_at <= 30)) || problems+=("it should be back within 30 s")
fi
[[ -n $wait_ok ]] || problems+=("the script was still running after 120 s")
((rc != 0)) || problems+=("the script's exit code was 0")
form=$(sed -nE 's/.*kMainWindowClass\[\] = L"([^"]+)".*/\1/p' "$root/app/Texts.h")
grep -q "^     0.5 s: 0x[0-9A-F]* ${form:-?} " "$out" ||
    problems+=("the report does not say what was in front at each tick")
read -r popquell browser < <(sed -nE 's/.*started .* \(pid ([0-9]+)\) and the demo browser \(pid ([0-9]+)\).*/\1 \2/p' "$out")
for pid in ${popquell:-} ${browser:-}; do
    kill -0 "$pid" 2>/dev/null && problems+=("pid $pid still runs")
done
[[ -n ${browser:-} ]] || problems+=("the script did not say which programs it started")

for problem in "${problems[@]}"; do echo "FAILED: $problem"; done
((${#problems[@]} == 0))
