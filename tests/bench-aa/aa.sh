#!/usr/bin/env bash
# The show full screen at 640x480 under Xvfb with --aa 1 (the floor), 2, 4 and
# 8, the runs interleaved ROUNDS times: the frame rate the title shows once a
# second, read from 12 s to 22 s of the show (the heart on screen), as the
# median milliseconds a frame of each setting and its ratio to --aa 1.
#   aa.sh SHOW X11_TOOL [ROUNDS]   (run from the build tree)
set -euo pipefail
source "$(dirname "$0")/../e2e/xvfb-harness.sh"
harness_init "$1" "$2"
rounds="${3:-3}"
harness_require_data
harness_start_x 640x480x24

declare -A samples
for round in $(seq "$rounds"); do
    for aa in 1 2 4 8; do
        harness_run_show 40 --aa "$aa"
        win="$(harness_wait_window '^we luv you!' 20)"
        sleep 12
        for _ in $(seq 10); do
            fps="$(harness_window_name "$win" | sed -n 's/.* - fps: \([0-9]*\)$/\1/p')"
            [ -n "$fps" ] && [ "$fps" -gt 0 ] && samples[$aa]+="$fps "
            sleep 1
        done
        granted="$(grep -o 'anti-aliasing: .*' "$HARNESS_SHOW_LOG" || echo 'anti-aliasing: ?')"
        echo "round $round, --aa $aa: fps ${samples[$aa]:-none} ($granted)" >&2
        harness_key "$win" Escape
        harness_expect_exit 0 10
    done
done

# Median frames a second of one setting's readings, as milliseconds a frame.
median_ms() {
    printf '%s\n' $1 | sort -n | awk '{a[NR]=$1} END {m=a[int((NR+1)/2)]; printf "%.2f", m > 0 ? 1000 / m : 0}'
}
floor="$(median_ms "${samples[1]}")"
for aa in 1 2 4 8; do
    ms="$(median_ms "${samples[$aa]}")"
    ratio="$(awk -v a="$ms" -v b="$floor" 'BEGIN {printf "%.2f", b > 0 ? a / b : 0}')"
    echo "--aa $aa: median $ms ms a frame at 640x480, ratio to --aa 1: $ratio"
done
