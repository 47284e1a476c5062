#!/usr/bin/env bash
# Started from another folder, through a link in a folder with a space in its
# name, the show finds the data beside its program and plays; Escape gives 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
mkdir "$HARNESS_TMP/a folder"
ln -s "$(cd "$(dirname "$HARNESS_SHOW")" && pwd)/$(basename "$HARNESS_SHOW")" "$HARNESS_TMP/a folder/tessaline"
HARNESS_SHOW="$HARNESS_TMP/a folder/tessaline"
harness_start_x 640x480x24
cd /
harness_run_press_exit Escape 0
