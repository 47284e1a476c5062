#!/usr/bin/env bash
# A close request from the window manager (WM_DELETE_WINDOW) ends the show
# with status 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
harness_start_x 640x480x24
harness_run_show 30

win="$(harness_wait_window '^we luv you!' 20)"
sleep 0.5
harness_show_running || harness_fail "the show ended by itself"
harness_close "$win"
harness_expect_exit 0 10
