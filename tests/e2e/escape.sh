#!/usr/bin/env bash
# Escape ends the show with status 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
harness_start_x 640x480x24
harness_run_press_exit Escape 0
