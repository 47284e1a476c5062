#!/usr/bin/env bash
# Start-up time of the real show under Xvfb: from the launch of the process to
# its first drawn frame on the screen, over several runs, against the floor:
# a bare program opening the same full-screen GL window and swapping twice,
# run alternately with the show in the same Xvfb (a benchmark: it prints
# figures and judges nothing).
#   startup.sh SHOW X11_TOOL SHIM FLOOR [RUNS]
set -euo pipefail
source "$(dirname "$0")/../e2e/xvfb-harness.sh"
harness_init "$1" "$2"
shim="$(realpath "$3")"
floor="$(realpath "$4")"
runs="${5:-10}"
harness_require_data
harness_start_x 640x480x24

# first_frame_us PROGRAM   microseconds from launch to the second swap
first_frame_us() {
    local program="$1" report="$HARNESS_TMP/first-frame"
    rm -f "$report"
    HARNESS_SHOW="$program"
    STARTUP_REPORT="$report" STARTUP_T0_NS="$(date +%s%N)" LD_PRELOAD="$shim" harness_run_show 20
    for _ in $(seq 200); do
        [ -s "$report" ] && break
        sleep 0.05
    done
    [ -s "$report" ] || harness_fail "$program drew no frame within 10 s"
    echo "$(( $(cat "$report") / 1000 ))"
    kill -TERM "$HARNESS_SHOW_PID" 2>/dev/null || true
    wait "$HARNESS_SHOW_PID" 2>/dev/null || true
    HARNESS_SHOW_PID=""
}

# median_ms US...
median_ms() {
    local sorted
    sorted=($(printf '%s\n' "$@" | sort -n))
    awk "BEGIN{printf \"%.1f\", ${sorted[$(( $# / 2 ))]}/1000}"
}

show="$HARNESS_SHOW"
show_us=()
floor_us=()
for run in $(seq "$runs"); do
    floor_us+=("$(first_frame_us "$floor")")
    show_us+=("$(first_frame_us "$show")")
done
show_ms="$(median_ms "${show_us[@]}")"
floor_ms="$(median_ms "${floor_us[@]}")"
echo "show runs (ms): $(printf '%s\n' "${show_us[@]}" | awk '{printf "%.1f ", $1/1000}')"
echo "floor runs (ms): $(printf '%s\n' "${floor_us[@]}" | awk '{printf "%.1f ", $1/1000}')"
echo "first frame: median $show_ms ms, floor $floor_ms ms, ratio $(awk "BEGIN{printf \"%.2f\", $show_ms/$floor_ms}")"
