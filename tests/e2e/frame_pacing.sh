#!/usr/bin/env bash
# With --vsync the show draws at most one frame a refresh of the display it
# reports (60 Hz where none is reported), also under Xvfb, whose software
# renderer's swap waits for no refresh. Only a bound that a slower or busier
# machine can only undercut is checked; the frame rates and CPU shares with
# and without --vsync are figures of bench-pacing, not of a test. Escape then
# ends the show with 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
harness_start_x 640x480x24
VEXEL_LOG=stderr harness_run_show 60 --vsync
win="$(harness_wait_window '^we luv you! - fps: [0-9]+$' 20)"

refresh="$(sed -n 's/^MAIN: on display .*, refresh \([0-9]*\) Hz.*/\1/p' "$HARNESS_SHOW_LOG" | head -n 1)"
[ -n "$refresh" ] || harness_fail "the show did not log the display's refresh rate"
[ "$refresh" -gt 0 ] || refresh=60
# The title counts the frames of one interval longer than 1000 ms on the
# millisecond clock: at most 1002 ms on the pacer's fine timer, given both
# clocks' rounding. Frames begin at least a period, 1/(refresh + 1) s, apart;
# only the interval's first frame may have been read late in its own period.
# So at most 1 + ceil(1002 ms / period) frames: refresh + 3 (below 498 Hz).
# Unpaced the show draws 150 to over 1,000 here (62 seen paced); a slower or
# busier machine only draws fewer.
most=$(((refresh + 1) * 1002 / 1000 + 2))  # refresh + 3

# Readings from several intervals, the first one after the clock has run a
# few seconds (the first interval also spans the loading).
sleep 3
for _ in 1 2 3 4 5; do
    title="$(harness_window_name "$win")"
    fps="$(printf '%s\n' "$title" | sed -n 's/.* - fps: \([0-9]*\)$/\1/p')"
    echo "e2e: refresh $refresh Hz, title '$title' (at most $most)"
    [ -n "$fps" ] || harness_fail "no frame rate in the title '$title'"
    [ "$fps" -le "$most" ] || harness_fail "with --vsync the show draws $fps frames a second (at most $most at $refresh Hz)"
    sleep 1.1
done

harness_show_running || harness_fail "the show ended by itself"
harness_key "$win" Escape
harness_expect_exit 0 10
