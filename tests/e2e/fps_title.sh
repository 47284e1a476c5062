#!/usr/bin/env bash
# On a 640x480 screen the show takes the whole screen in a borderless window,
# its title comes to carry the frame rate, and Escape ends it with status 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
harness_start_x 640x480x24
harness_pose_wm
harness_run_show 40

win="$(harness_wait_window '^we luv you!' 20)"
read -r x y width height <<<"$(harness_geometry "$win")"
[ "$x $y $width $height" = "0 0 640 480" ] || harness_fail "full-screen window at $x,$y size ${width}x$height"
harness_decorated "$win" && harness_fail "the full-screen window asks for a frame"

# The first figure comes a second after the clock started, and the loading
# lies in that second (about 1.5 s from the window here): 20 s is the margin
# of a busy machine.
harness_wait_window '^we luv you! - fps: [0-9]+$' 20 >/dev/null
sleep 1.2  # a whole interval, so the figure is a full second's count
echo "e2e: title '$(harness_window_name "$win")'"

harness_key "$win" Escape
harness_expect_exit 0 10
