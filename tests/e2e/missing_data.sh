#!/usr/bin/env bash
# Run where there is no data/: the loader's box "LWOB not found" and its line
# on stderr, then, once the box is dismissed, status 1 (the show never ran).
# The program is a copy in an empty folder, so that no data lies beside it
# either (the build tree's would be found), and the installed data folder is
# none, so that a show installed on this machine is not found either.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_start_x 640x480x24
mkdir "$HARNESS_TMP/empty"
cp "$HARNESS_SHOW" "$HARNESS_TMP/empty/tessaline"
HARNESS_SHOW="$HARNESS_TMP/empty/tessaline"
cd "$HARNESS_TMP/empty"
VEXEL_INSTALLED_DATA_ROOT= harness_run_show 30

box="$(harness_wait_window '^ReadLWOB$' 20)"
harness_key "$box" Return
harness_expect_exit 1 10
grep -qF "tessaline: object 'data/tessaline/objects/heart.lwo' not loaded: No such file or directory" \
    "$HARNESS_SHOW_LOG" || harness_fail "no line on stderr names the missing object"
