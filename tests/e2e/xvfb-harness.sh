# Harness for end-to-end tests of the show under Xvfb. Source it from a bash
# test script; every function prints nothing on success unless it returns a
# value, and fails the test (exit 1, with a reason on stderr) when it has to.
#
# Reuse in another e2e test:
#   #!/usr/bin/env bash
#   set -euo pipefail
#   source "$(dirname "$0")/xvfb-harness.sh"   # or the path to tests/e2e
#   harness_init "$@"                # $1 the show binary, $2 x11-tool
#   harness_require_data             # skip (exit 77) without the generated assets
#   harness_start_x 640x480x24       # private Xvfb on a free display, DISPLAY exported
#   harness_run_show 30              # the show in the background, killed after 30 s
#   win=$(harness_wait_window '^we luv you!' 10)
#   harness_key "$win" Escape        # press, hold 300 ms, release
#   harness_expect_exit 0 10         # the show ends with status 0 within 10 s
#   harness_until 30 some_check      # retried until it holds, at most 30 s
# or, for the whole "run, press, expect exit" in one step:
#   harness_run_press_exit Escape 0 [SHOW_OPTION...]
# Under Wayland: harness_start_weston 1280x720 after harness_start_x; the show
# then runs on SDL's Wayland driver inside a nested weston, and the same
# functions work on it (keys go through weston's window). With
# harness_start_weston 1280x720 --xwayland the show runs on SDL's X11 driver
# through weston's XWayland instead, as on most Wayland desktops.
# Register it with CTest from CMake as the tests of tests/e2e do (working
# directory = the build tree, LABELS e2e, SKIP_RETURN_CODE 77).
#
# The show runs with the current directory (the build tree) as its working
# directory, under `timeout -k`, with SDL audio on the dummy driver. Xvfb picks
# its own free display number (-displayfd), so tests may run in parallel.
# Everything started here is killed when the script exits.

HARNESS_SHOW=""
HARNESS_TOOL=""
HARNESS_XVFB_PID=""
HARNESS_SHOW_PID=""
HARNESS_TMP=""
HARNESS_SHOW_LOG=""
HARNESS_WESTON_PID=""
HARNESS_WAYLAND=""   # set while the show runs under weston
HARNESS_XWAYLAND=""  # XWayland's display while the show runs through it
HARNESS_LOAD_PID=""  # a CPU-bound process beside the show (harness_start_load)

harness_fail() {
    echo "e2e: FAIL: $*" >&2
    if [ -n "$HARNESS_SHOW_LOG" ] && [ -s "$HARNESS_SHOW_LOG" ]; then
        echo "e2e: the show's output:" >&2
        sed 's/^/  | /' "$HARNESS_SHOW_LOG" >&2
    fi
    exit 1
}

harness_cleanup() {
    if [ -n "$HARNESS_LOAD_PID" ]; then
        kill -TERM "$HARNESS_LOAD_PID" 2>/dev/null || true
    fi
    if [ -n "$HARNESS_SHOW_PID" ] && kill -0 "$HARNESS_SHOW_PID" 2>/dev/null; then
        # The show may sit in a message box, where SDL ignores SIGTERM.
        # timeout leads its own process group: kill the group, show included.
        kill -KILL -- "-$HARNESS_SHOW_PID" 2>/dev/null || kill -KILL "$HARNESS_SHOW_PID" 2>/dev/null || true
        wait "$HARNESS_SHOW_PID" 2>/dev/null || true
    fi
    if [ -n "$HARNESS_WESTON_PID" ] && kill -0 "$HARNESS_WESTON_PID" 2>/dev/null; then
        kill -TERM "$HARNESS_WESTON_PID" 2>/dev/null || true
        wait "$HARNESS_WESTON_PID" 2>/dev/null || true
    fi
    if [ -n "$HARNESS_XVFB_PID" ] && kill -0 "$HARNESS_XVFB_PID" 2>/dev/null; then
        kill -TERM "$HARNESS_XVFB_PID" 2>/dev/null || true
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$HARNESS_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$HARNESS_XVFB_PID" 2>/dev/null || true
    fi
    wait 2>/dev/null || true
    if [ -n "$HARNESS_TMP" ]; then
        rm -rf "$HARNESS_TMP"
    fi
}

# harness_init SHOW X11_TOOL
harness_init() {
    HARNESS_SHOW="${1:?harness_init: path of the show binary}"
    HARNESS_TOOL="${2:?harness_init: path of x11-tool}"
    [ -x "$HARNESS_SHOW" ] || harness_fail "no show binary at $HARNESS_SHOW"
    [ -x "$HARNESS_TOOL" ] || harness_fail "no x11-tool at $HARNESS_TOOL"
    HARNESS_TMP="$(mktemp -d /tmp/vexel-e2e.XXXXXX)"
    HARNESS_SHOW_LOG="$HARNESS_TMP/show.log"
    trap harness_cleanup EXIT
    trap 'exit 1' INT TERM
}

# Skips the test (exit 77) when the generated assets the show loads at start
# are missing from the working directory.
harness_require_data() {
    local f
    for f in data/tessaline/objects/heart.lwo data/tessaline/music/tessaline.xm; do
        if [ ! -f "$f" ]; then
            echo "e2e: SKIP: $(pwd)/$f is missing (the asset generators have not run)" >&2
            exit 77
        fi
    done
}

# harness_start_x SCREEN   e.g. 640x480x24
harness_start_x() {
    local screen="${1:-640x480x24}"
    local fdfile="$HARNESS_TMP/display"
    : >"$fdfile"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fdfile" \
        >"$HARNESS_TMP/xvfb.log" 2>&1 &
    HARNESS_XVFB_PID=$!
    local i
    for i in $(seq 100); do
        if [ -s "$fdfile" ] && grep -q '^[0-9]' "$fdfile"; then
            break
        fi
        kill -0 "$HARNESS_XVFB_PID" 2>/dev/null || harness_fail "Xvfb did not start: $(cat "$HARNESS_TMP/xvfb.log")"
        sleep 0.1
    done
    [ -s "$fdfile" ] || harness_fail "Xvfb gave no display number within 10 s"
    export DISPLAY=":$(head -n1 "$fdfile" | tr -d '[:space:]')"
    # The server answers once it is up.
    for i in $(seq 50); do
        xwininfo -root >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    harness_fail "Xvfb on $DISPLAY does not answer"
}

# harness_pose_wm   before the show starts: clients believe a window manager
# runs, so they state whether they want a frame (see harness_decorated). Keep
# in mind that nothing acts on their requests to such a "manager".
harness_pose_wm() {
    "$HARNESS_TOOL" pose-wm || harness_fail "cannot pose as a window manager on $DISPLAY"
}

# harness_start_weston SIZE [WESTON_OPTION...]   e.g. 1280x720, after
# harness_start_x: a weston with its X11 backend (an output of SIZE with a
# seat, inside the Xvfb) for the show to run on through SDL's Wayland driver;
# with --xwayland through weston's XWayland and SDL's X11 driver. SIZE is the
# output's logical size: with --scale=2 the Xvfb needs twice its pixels.
# Skips the test (exit 77) where weston (or Xwayland) is missing or cannot start.
harness_start_weston() {
    local size="${1:-640x480}"
    shift || true
    command -v weston >/dev/null || { echo "e2e: SKIP: weston is not installed (scripts/install-deps test)" >&2; exit 77; }
    local option xwayland=""
    for option in "$@"; do
        [ "$option" = --xwayland ] && xwayland=1
    done
    if [ -n "$xwayland" ] && ! command -v Xwayland >/dev/null; then
        echo "e2e: SKIP: Xwayland is not installed (scripts/install-deps test)" >&2
        exit 77
    fi
    export XDG_RUNTIME_DIR="$HARNESS_TMP/xdg"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    weston --backend=x11-backend.so --width="${size%x*}" --height="${size#*x}" --socket=wayland-e2e \
        --idle-time=0 "$@" >"$HARNESS_TMP/weston.log" 2>&1 &
    HARNESS_WESTON_PID=$!
    local i
    for i in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/wayland-e2e" ] && [ -n "$(harness_find_window '^Weston Compositor')" ] && break
        if ! kill -0 "$HARNESS_WESTON_PID" 2>/dev/null; then
            echo "e2e: SKIP: weston cannot start here: $(tail -n 3 "$HARNESS_TMP/weston.log" | tr '\n' ' ')" >&2
            exit 77
        fi
        sleep 0.1
    done
    [ -S "$XDG_RUNTIME_DIR/wayland-e2e" ] || { echo "e2e: SKIP: weston gave no socket within 10 s" >&2; exit 77; }
    export WAYLAND_DISPLAY=wayland-e2e
    HARNESS_WAYLAND=1
    if [ -n "$xwayland" ]; then
        # weston names the display it listens on; Xwayland starts on the first client.
        for i in $(seq 50); do
            HARNESS_XWAYLAND="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$HARNESS_TMP/weston.log" | head -n 1)"
            [ -n "$HARNESS_XWAYLAND" ] && break
            sleep 0.1
        done
        [ -n "$HARNESS_XWAYLAND" ] || { echo "e2e: SKIP: weston started no XWayland: $(tail -n 3 "$HARNESS_TMP/weston.log" | tr '\n' ' ')" >&2; exit 77; }
    fi
    # Keys reach weston through the X server's focus: the pointer over its window.
    xdotool mousemove 5 5 || true
    sleep 1  # the shell's panel and background settle first
}

# harness_start_load   a CPU-bound process beside the show until the test
# ends: the window system's answers come late, as on a busy machine
harness_start_load() {
    timeout -k 1 300 sh -c 'while :; do :; done' &
    HARNESS_LOAD_PID=$!
}

# harness_run_show LIMIT_SECONDS [SHOW_OPTION...]   starts the show in the background
harness_run_show() {
    local limit="${1:-30}"
    shift || true
    if [ -n "$HARNESS_XWAYLAND" ]; then
        DISPLAY="$HARNESS_XWAYLAND" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
            timeout -k 3 "$limit" "$HARNESS_SHOW" "$@" >"$HARNESS_SHOW_LOG" 2>&1 &
    elif [ -n "$HARNESS_WAYLAND" ]; then
        # The client's side of the protocol goes to the log: it tells when the
        # window is up and what it asked the compositor for.
        SDL_VIDEODRIVER=wayland WAYLAND_DEBUG=client SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
            timeout -k 3 "$limit" "$HARNESS_SHOW" "$@" >"$HARNESS_SHOW_LOG" 2>&1 &
    else
        SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
            timeout -k 3 "$limit" "$HARNESS_SHOW" "$@" >"$HARNESS_SHOW_LOG" 2>&1 &
    fi
    HARNESS_SHOW_PID=$!
}

# harness_wait_show_window TIMEOUT_SECONDS   prints the id of the show's window:
# under X its own window, under weston weston's (once the show's surface is up)
harness_wait_show_window() {
    local limit="${1:-20}" i
    if [ -z "$HARNESS_WAYLAND" ]; then
        harness_wait_window '^we luv you!' "$limit"
        return 0
    fi
    if [ -n "$HARNESS_XWAYLAND" ]; then
        DISPLAY="$HARNESS_XWAYLAND" harness_wait_window '^we luv you!' "$limit" >/dev/null
        harness_find_window '^Weston Compositor'
        return 0
    fi
    for i in $(seq $((limit * 10))); do
        if grep -q 'set_title("we luv you!")' "$HARNESS_SHOW_LOG" 2>/dev/null &&
            grep -q 'xdg_surface@[0-9]*\.ack_configure' "$HARNESS_SHOW_LOG" 2>/dev/null; then
            harness_find_window '^Weston Compositor'
            return 0
        fi
        harness_show_running || harness_fail "the show ended before its window appeared"
        sleep 0.1
    done
    harness_fail "the show's window did not appear under weston within $limit s"
}

# harness_until SECONDS COMMAND...   runs COMMAND until it succeeds, again
# every half second; false once SECONDS have passed without. For what the
# show does at a point of its music: the music's clock is the sound device's,
# which a busy machine's late start-up and audio thread hold back, so a
# picture is waited for, not looked for once after a fixed sleep.
harness_until() {
    local limit="$1" end
    shift
    end=$((SECONDS + limit))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.5
    done
}

harness_show_running() {
    [ -n "$HARNESS_SHOW_PID" ] && kill -0 "$HARNESS_SHOW_PID" 2>/dev/null
}

# Prints "ID NAME" for each top-level window with a name: xwininfo sees the
# UTF-8 titles of SDL's message boxes that xdotool's name search misses.
harness_windows() {
    xwininfo -root -tree 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": .*/\1 \2/p'
}

# harness_viewable ID   true when the window is mapped and visible
harness_viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# harness_find_window NAME_REGEX   prints the id of the first viewable window
# whose name matches, or nothing
harness_find_window() {
    local pattern="$1"
    harness_windows | while read -r id name; do
        if printf '%s\n' "$name" | grep -Eq -- "$pattern" && harness_viewable "$id"; then
            echo "$id"
            break
        fi
    done
}

# harness_window_name ID
harness_window_name() {
    harness_windows | awk -v id="$1" '$1 == id { $1 = ""; sub(/^ /, ""); print; exit }'
}

# harness_wait_window NAME_REGEX TIMEOUT_SECONDS   prints the window id
harness_wait_window() {
    local pattern="$1" limit="${2:-10}" id="" i
    for i in $(seq $((limit * 10))); do
        id="$(harness_find_window "$pattern")"
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        harness_show_running || harness_fail "the show ended before a window named /$pattern/ appeared"
        sleep 0.1
    done
    harness_fail "no window named /$pattern/ within $limit s; windows: $(harness_windows | tr '\n' ';')"
}

# harness_geometry ID   prints "X Y WIDTH HEIGHT" (absolute position, client size)
harness_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

# harness_decorated ID   true when the window asks a window manager for a
# frame. Needs harness_pose_wm: on a bare server SDL states nothing.
harness_decorated() {
    local state hints decorations
    state="$(xprop -id "$1" _NET_WM_STATE 2>/dev/null || true)"
    case "$state" in
        *_NET_WM_STATE_FULLSCREEN*) return 1 ;;
    esac
    hints="$(xprop -id "$1" _MOTIF_WM_HINTS 2>/dev/null || true)"
    case "$hints" in
        *=*) ;;
        *) return 1 ;;  # SDL marks a borderless window transient instead
    esac
    # flags, functions, decorations, ...: the third field
    decorations="$(printf '%s\n' "$hints" | sed 's/.*= *//' | cut -d, -f3 | tr -d ' ')"
    [ "$((decorations))" -ne 0 ]
}

# harness_key ID KEY   press, hold, release (a held key is seen by a frame)
harness_key() {
    if [ -n "$HARNESS_WAYLAND" ]; then
        # weston reads the server's real input, not events sent to its window.
        xdotool keydown "$2" || harness_fail "cannot press $2"
        sleep 0.3
        xdotool keyup "$2" 2>/dev/null || true
        return 0
    fi
    xdotool keydown --window "$1" "$2" || harness_fail "cannot press $2 in window $1"
    sleep 0.3
    # The press may already have closed the window.
    xdotool keyup --window "$1" "$2" 2>/dev/null || true
}

# harness_close ID   the window manager's close request (WM_DELETE_WINDOW)
harness_close() {
    "$HARNESS_TOOL" close "$1" || harness_fail "could not send the close request to $1"
}

# harness_expect_exit STATUS TIMEOUT_SECONDS
harness_expect_exit() {
    local want="$1" limit="${2:-10}" i status
    for i in $(seq $((limit * 10))); do
        harness_show_running || break
        sleep 0.1
    done
    harness_show_running && harness_fail "the show still runs $limit s after it was asked to end"
    set +e
    wait "$HARNESS_SHOW_PID"
    status=$?
    set -e
    HARNESS_SHOW_PID=""
    [ "$status" -eq "$want" ] || harness_fail "the show ended with status $status, expected $want"
}

# harness_run_press_exit ACTION STATUS [SHOW_OPTION...]   runs the show, waits
# for its window, then ACTION (a key name, or "close" for the window manager's
# close request) and expects the show to end with STATUS within 10 s.
harness_run_press_exit() {
    local action="$1" want="$2" win
    shift 2
    harness_run_show 30 "$@"
    win="$(harness_wait_show_window 20)"
    sleep 0.5
    harness_show_running || harness_fail "the show ended by itself"
    if [ "$action" = close ]; then
        harness_close "$win"
    else
        harness_key "$win" "$action"
    fi
    harness_expect_exit "$want" 10
}

# harness_grab PATH_WITHOUT_EXTENSION [SIZE]   the screen's top-left SIZE
# (640x480) as PATH.rgb (rgb24, for frame-probe) and PATH.png (to look at)
harness_grab() {
    ffmpeg -loglevel error -y -f x11grab -video_size "${2:-640x480}" -i "$DISPLAY" -frames:v 1 \
        -f rawvideo -pix_fmt rgb24 "$1.rgb" -frames:v 1 "$1.png" ||
        harness_fail "ffmpeg could not grab the screen"
}

# harness_require_grab   skips the test (status 77) where ffmpeg cannot grab the screen
harness_require_grab() {
    command -v ffmpeg >/dev/null || { echo "e2e: SKIP: no ffmpeg to grab the screen" >&2; exit 77; }
}

# harness_output_dir NAME   prints the path of an emptied folder NAME in the
# working directory (the build tree), where a test leaves its grabs
harness_output_dir() {
    local dir
    dir="$(pwd)/$1"
    mkdir -p "$dir"
    rm -f "$dir"/*
    echo "$dir"
}
