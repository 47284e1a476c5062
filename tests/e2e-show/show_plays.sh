#!/usr/bin/env bash
# The whole show from the real binary under Xvfb, with the module playing to
# SDL's disk audio driver: the heart comes to spin in the middle of the
# screen, the sound written so far is not silent, and Escape ends the show
# with status 0. The grabs stay in e2e-show/ of the build tree.
# $1 the show, $2 x11-tool, $3 frame-probe.
set -euo pipefail
source "$(dirname "$0")/../e2e/xvfb-harness.sh"
harness_init "$1" "$2"
probe="${3:?path of frame-probe}"
harness_require_data
harness_require_grab
harness_start_x 640x480x24

out="$(harness_output_dir "e2e-show")"
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE="$out/sound.raw"
harness_run_show 90

win="$(harness_wait_window '^we luv you!' 20)"
# Order 1 starts 7.68 s in and the scene emerges from black over 10 s: the
# heart spins from about 12 s of music on. Looked for from 15 s, until 50 s:
# four times what an idle machine needs.
heart_spins() {
    harness_show_running || harness_fail "the show ended by itself"
    harness_grab "$out/heart-a"
    sleep 0.5
    harness_grab "$out/heart-b"
    "$probe" heart "$out/heart-a.rgb" "$out/heart-b.rgb"
}
sleep 15
harness_until 35 heart_spins || harness_fail "no spinning heart in the middle (see $out)"
"$probe" sound "$SDL_DISKAUDIOFILE" || harness_fail "the sound written is silent or missing"

harness_key "$win" Escape
harness_expect_exit 0 10
