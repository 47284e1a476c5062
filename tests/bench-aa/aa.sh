#!/usr/bin/env bash
# The show full screen at 640x480 under Xvfb with --aa 1 (the floor), 2, 4 and
# 8, the runs interleaved ROUNDS times, each on a fresh Xvfb: the frame rate
# the title shows once a second, read from 12 s to 22 s of the show (the
# heart on screen), as the median milliseconds a frame of each setting and
# its ratio to --aa 1.
#   aa.sh SHOW X11_TOOL [ROUNDS]   (run from the build tree)
# (aa.sh --one SHOW X11_TOOL N prints one run's readings.)
set -euo pipefail
if [ "${1:-}" = --one ]; then
    source "$(dirname "$0")/../e2e/xvfb-harness.sh"
    harness_init "$2" "$3"
    harness_require_data
    harness_start_x 640x480x24
    harness_run_show 40 --aa "$4"
    win="$(harness_wait_window '^we luv you!' 20)"
    sleep 12
    for _ in $(seq 10); do
        harness_window_name "$win" | sed -n 's/.* - fps: \([0-9]*\)$/\1 /p' | tr -d '\n'
        sleep 1
    done
    echo
    grep -o 'anti-aliasing: .*' "$HARNESS_SHOW_LOG" >&2 || true
    harness_key "$win" Escape
    harness_expect_exit 0 10
    exit 0
fi
show="$1"
tool="$2"
rounds="${3:-3}"
[ -f data/tessaline/objects/heart.lwo ] || { echo "aa: run from the build tree (no data/ here)" >&2; exit 1; }

declare -A samples
for round in $(seq "$rounds"); do
    for aa in 1 2 4 8; do
        readings="$(bash "$0" --one "$show" "$tool" "$aa")"
        samples[$aa]+="$readings "
        echo "round $round, --aa $aa: fps $readings" >&2
    done
done

# Median of one setting's frames a second, as milliseconds a frame.
median_ms() {
    printf '%s\n' $1 | sort -n | awk '{a[NR]=$1} END {m=a[int((NR+1)/2)]; printf "%.2f", (m > 0 ? 1000 / m : 0)}'
}
floor="$(median_ms "${samples[1]}")"
for aa in 1 2 4 8; do
    ms="$(median_ms "${samples[$aa]}")"
    ratio="$(awk -v a="$ms" -v b="$floor" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')"
    echo "--aa $aa: median $ms ms a frame at 640x480, ratio to --aa 1: $ratio"
done
