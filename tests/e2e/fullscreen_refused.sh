#!/usr/bin/env bash
# A 1280x1024 screen cannot switch to 640x480: the show asks whether to run
# in a window, and Yes gives a bordered window with a 640x480 client area at
# the top-left corner. Escape then ends it with status 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
harness_start_x 1280x1024x24
harness_pose_wm
harness_run_show 40

box="$(harness_wait_window '^Oryx GL$' 20)"
harness_find_window '^we luv you!' | grep -q . && harness_fail "the show's window exists before the answer"
harness_key "$box" Return  # Yes is the default button

win="$(harness_wait_window '^we luv you!' 20)"
read -r x y width height <<<"$(harness_geometry "$win")"
[ "$width $height" = "640 480" ] || harness_fail "client area ${width}x$height, expected 640x480"
[ "$x $y" = "0 0" ] || harness_fail "window at $x,$y, expected the top-left corner"
harness_decorated "$win" || harness_fail "the windowed show asks for no frame"
[ -z "$(harness_find_window '^Oryx GL$')" ] || harness_fail "the question box is still open"

harness_key "$win" Escape
harness_expect_exit 0 10
