#!/usr/bin/env bash
# Start-up time of the real show under Xvfb: from the launch of the process to
# its first drawn frame on the screen, over several runs (a benchmark: it
# prints figures and judges nothing).
#   startup.sh SHOW X11_TOOL SHIM [RUNS]
set -euo pipefail
source "$(dirname "$0")/../e2e/xvfb-harness.sh"
harness_init "$1" "$2"
shim="$(realpath "$3")"
runs="${4:-10}"
harness_require_data
harness_start_x 640x480x24

results=()
for run in $(seq "$runs"); do
    report="$HARNESS_TMP/first-frame-$run"
    STARTUP_REPORT="$report" STARTUP_T0_NS="$(date +%s%N)" LD_PRELOAD="$shim" harness_run_show 20
    for _ in $(seq 200); do
        [ -s "$report" ] && break
        sleep 0.05
    done
    [ -s "$report" ] || harness_fail "run $run drew no frame within 10 s"
    results+=("$(( $(cat "$report") / 1000 ))")
    kill -TERM "$HARNESS_SHOW_PID" 2>/dev/null || true
    wait "$HARNESS_SHOW_PID" 2>/dev/null || true
    HARNESS_SHOW_PID=""
done
sorted=($(printf '%s\n' "${results[@]}" | sort -n))
echo "start-up to first drawn frame over $runs runs (ms): min $(awk "BEGIN{printf \"%.1f\", ${sorted[0]}/1000}")" \
     "median $(awk "BEGIN{printf \"%.1f\", ${sorted[$(( runs / 2 ))]}/1000}")" \
     "max $(awk "BEGIN{printf \"%.1f\", ${sorted[$(( runs - 1 ))]}/1000}")"
