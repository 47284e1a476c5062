#!/usr/bin/env bash
# The show on SDL's Wayland driver under a weston nested in Xvfb (a real
# compositor with a seat; its panel never switches modes).
#   wayland.sh SHOW X11_TOOL FRAME_PROBE CASE
# CASE:
#   plays        640x480 output: full screen, the heart spins, Escape ends it
#   letterbox    1280x720 output: no question, full screen, the picture fills
#                the height with black bars left and right, the heart inside
#   window       --window: a window the compositor may resize (no fixed size)
#   escape       Escape ends the show with status 0
#   xwayland     1280x720 output, the show on X11 through XWayland, with a
#                CPU-bound process beside it: no question, full screen with
#                black bars beside the 4:3 picture, Escape ends it with 0
#   hidpi        1280x720 output at scale 2 (2560x1440 pixels): the show draws
#                the panel's pixels (960x720 of picture become 1920x1440),
#                letterboxed as at scale 1
#   display      two 640x480 outputs side by side: --display 1 puts the show
#                full screen on the second, the first keeps weston's desktop;
#                --display 2 lists the two and exits with 2
set -euo pipefail
source "$(dirname "$0")/../e2e/xvfb-harness.sh"
harness_init "$1" "$2"
probe="${3:?path of frame-probe}"
case_name="${4:?which case}"
harness_require_data
harness_require_grab

out="$(harness_output_dir "e2e-wayland-$case_name")"

# grab NAME SIZE [FILTER]   the whole screen as rgb24 (and a png beside it)
grab() {
    local filter=()
    [ -n "${3:-}" ] && filter=(-vf "$3")
    ffmpeg -loglevel error -y -f x11grab -video_size "$2" -i "$DISPLAY" -frames:v 1 "${filter[@]}" \
        -f rawvideo -pix_fmt rgb24 "$out/$1.rgb" || harness_fail "ffmpeg could not grab the screen"
}

# The heart twice, half a second apart, from the picture's own 640x480.
heart_spins() {
    local size="$1" crop="${2:-}"
    local filter="${crop:+$crop,}scale=640:480"
    harness_show_running || harness_fail "the show ended by itself"
    grab heart-a "$size" "$filter"
    sleep 0.5
    grab heart-b "$size" "$filter"
    "$probe" heart "$out/heart-a.rgb" "$out/heart-b.rgb"
}
# Order 1 starts 7.68 s in and the scene emerges over 10 s: the heart spins
# from about 12 s of music on. Called at 15 s, it looks until 50 s: four
# times what an idle machine needs.
expect_heart() {
    harness_until 35 heart_spins "$@" || harness_fail "no spinning heart (see $out)"
}

expect_no_question() {
    if grep -q 'Fullscreen Mode' "$HARNESS_SHOW_LOG"; then
        harness_fail "the show asked about full screen"
    fi
}

# A 1280x720 screen: 960x720 of picture in the middle, 160 columns of black
# bar on each side (of a 2560x1440 screen at scale 2: SCALE=2).
expect_letterboxed() {
    local scale="${1:-1}"
    local w=$((1280 * scale)) h=$((720 * scale)) bar=$((160 * scale)) pic=$((960 * scale))
    grab left-bar "${w}x$h" "crop=$bar:$h:0:0"
    grab right-bar "${w}x$h" "crop=$bar:$h:$((w - bar)):0"
    "$probe" black "$out/left-bar.rgb" || harness_fail "the left bar is not black (see $out)"
    "$probe" black "$out/right-bar.rgb" || harness_fail "the right bar is not black (see $out)"
    expect_heart "${w}x$h" "crop=$pic:$h:$bar:0"
}

case "$case_name" in
    plays)
        harness_start_x 640x480x24
        harness_start_weston 640x480
        harness_run_show 90
        win="$(harness_wait_show_window 20)"
        sleep 15  # the heart is looked for from here (expect_heart)
        harness_show_running || harness_fail "the show ended by itself"
        grep -q 'set_fullscreen' "$HARNESS_SHOW_LOG" || harness_fail "the show did not ask for full screen"
        expect_heart 640x480
        harness_key "$win" Escape
        harness_expect_exit 0 10
        ;;
    letterbox)
        harness_start_x 1280x720x24
        harness_start_weston 1280x720
        harness_run_show 90
        win="$(harness_wait_show_window 20)"
        sleep 15
        harness_show_running || harness_fail "the show ended by itself"
        expect_no_question
        grep -q 'set_fullscreen' "$HARNESS_SHOW_LOG" || harness_fail "the show did not ask for full screen"
        expect_letterboxed
        harness_key "$win" Escape
        harness_expect_exit 0 10
        ;;
    window)
        harness_start_x 1280x720x24
        harness_start_weston 1280x720
        harness_run_show 30 --window
        win="$(harness_wait_show_window 20)"
        sleep 1
        expect_no_question
        grep -q 'set_fullscreen' "$HARNESS_SHOW_LOG" && harness_fail "--window asked for full screen"
        # A fixed-size window states its size as both bounds; a resizable one
        # leaves the maximum open (0, 0).
        last_max="$(grep -o 'set_max_size([0-9]*, [0-9]*)' "$HARNESS_SHOW_LOG" | tail -n 1)"
        [ "$last_max" = "set_max_size(0, 0)" ] || harness_fail "the window cannot be resized (last bound: ${last_max:-none})"
        harness_key "$win" Escape
        harness_expect_exit 0 10
        ;;
    xwayland)
        harness_start_x 1280x720x24
        harness_start_weston 1280x720 --xwayland
        # Late answers of the window manager are what lost the full screen.
        harness_start_load
        harness_run_show 90
        win="$(harness_wait_show_window 20)"
        show="$(DISPLAY="$HARNESS_XWAYLAND" harness_find_window '^we luv you!')"
        # The window manager sets the state a moment after the window maps
        # (well under a second here; up to 20 s beside the load).
        for _ in $(seq 200); do
            DISPLAY="$HARNESS_XWAYLAND" xprop -id "$show" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN && break
            sleep 0.1
        done
        [ -z "$(DISPLAY="$HARNESS_XWAYLAND" harness_find_window '^Oryx GL$')" ] ||
            harness_fail "the show asked about full screen"
        DISPLAY="$HARNESS_XWAYLAND" xprop -id "$show" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN ||
            harness_fail "the show's window is not full screen ($(DISPLAY="$HARNESS_XWAYLAND" xprop -id "$show" _NET_WM_STATE WM_NORMAL_HINTS 2>&1 | tr "\n" " "))"
        sleep 15
        harness_show_running || harness_fail "the show ended by itself"
        expect_letterboxed
        harness_key "$win" Escape
        harness_expect_exit 0 10
        ;;
    hidpi)
        harness_start_x 2560x1440x24
        harness_start_weston 1280x720 --scale=2
        VEXEL_LOG=stderr harness_run_show 90
        win="$(harness_wait_show_window 20)"
        sleep 15
        harness_show_running || harness_fail "the show ended by itself"
        expect_no_question
        grep -q 'set_buffer_scale(2)' "$HARNESS_SHOW_LOG" || harness_fail "the show's buffer is not at scale 2"
        view="$(grep -o 'GL: drawable [0-9x]* pixels, picture .*' "$HARNESS_SHOW_LOG" | tail -n 1)"
        [ "$view" = "GL: drawable 2560x1440 pixels, picture 1920x1440 at 320,0" ] ||
            harness_fail "the picture is not drawn in the panel's pixels (last view: ${view:-none})"
        expect_letterboxed 2
        grab picture 2560x1440 crop=1920:1440:320:0
        "$probe" native "$out/picture.rgb" 1920 || harness_fail "the picture is doubled, not drawn at scale 2 (see $out)"
        harness_key "$win" Escape
        harness_expect_exit 0 10
        ;;
    display)
        harness_start_x 1280x480x24
        harness_start_weston 640x480 --output-count=2
        # Each output is an X window at 0,0; the second goes beside the first.
        second="$(harness_find_window '^Weston Compositor - screen1$')"
        [ -n "$second" ] || harness_fail "weston made no second output"
        xdotool windowmove "$second" 640 0
        status=0
        SDL_VIDEODRIVER=wayland timeout -k 3 20 "$HARNESS_SHOW" --display 2 >"$out/unknown.log" 2>&1 || status=$?
        [ "$status" = 2 ] || harness_fail "--display 2 of two ended with $status, not 2: $(cat "$out/unknown.log")"
        grep -q '^  1: 640x480 at 640,0' "$out/unknown.log" ||
            harness_fail "--display 2 did not list the displays: $(cat "$out/unknown.log")"
        VEXEL_LOG=stderr harness_run_show 60 --display 1
        win="$(harness_wait_show_window 20)"
        sleep 1  # black until the first scene fades in at 7.68 s of music, which starts after loading
        grep -q 'MAIN: on display 1,' "$HARNESS_SHOW_LOG" || harness_fail "the show is not on display 1"
        grep -q 'set_fullscreen' "$HARNESS_SHOW_LOG" || harness_fail "the show did not ask for full screen"
        grab second 1280x480 crop=640:480:640:0
        grab first 1280x480 crop=640:480:0:0
        "$probe" black "$out/second.rgb" || harness_fail "the second output does not show the show (see $out)"
        "$probe" black "$out/first.rgb" && harness_fail "the show covers the first output too (see $out)"
        harness_key "$win" Escape
        harness_expect_exit 0 10
        ;;
    escape)
        harness_start_x 640x480x24
        harness_start_weston 640x480
        harness_run_press_exit Escape 0
        ;;
    *)
        harness_fail "unknown case $case_name"
        ;;
esac
