#!/usr/bin/env bash
# The show under Xvfb for SOAK_MINUTES (default 30) while windows are
# minimised and restored, resized (height 0 included) and the focus moves;
# the show's resident memory is read every 10 s. Passes when, after the first
# SOAK_WARMUP_MINUTES (default 5), every reading stays within +-2 MB of the
# one taken then, no frame ended with a GL error, and Escape ends the show
# with status 0. Not part of `make test`: run with `make soak`.
#   tests/soak/soak.sh SHOW X11_TOOL   (run from the build tree; writes soak/)
set -euo pipefail
source "$(dirname "$0")/../e2e/xvfb-harness.sh"
harness_init "$@"
harness_require_data

minutes="${SOAK_MINUTES:-30}"
warmupMinutes="${SOAK_WARMUP_MINUTES:-5}"
totalSeconds="$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')"
warmupSeconds="$(awk -v m="$warmupMinutes" 'BEGIN { printf "%d", m * 60 }')"
toleranceKb=2048
out="$(pwd)/soak"
mkdir -p "$out"
csv="$out/rss.csv"

harness_start_x 1024x768x24
# The per-frame GL check on, whatever the build type.
export VEXEL_GL_CHECK=1
harness_run_show $((totalSeconds + 120))
# The screen cannot switch to the show's mode: the show asks whether to run
# in a window, and Yes (the default button) gives a window to resize.
box="$(harness_wait_window '^Oryx GL$' 120)"
harness_key "$box" Return
win="$(harness_wait_window '^we luv you!' 120)"
# Another client to take the focus from the show now and then.
xmessage -geometry 200x50+700+600 "soak" >/dev/null 2>&1 &
other=$!
trap 'kill "$other" 2>/dev/null || true; harness_cleanup' EXIT

showPid() { pgrep -P "$HARNESS_SHOW_PID" -x tessaline | head -n1; }
rssKb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }

# One burst of every kind of window trouble, a few seconds long.
storm() {
    local i
    for i in 1 2 3 4 5; do  # minimise / restore
        xdotool windowminimize "$win" 2>/dev/null || true
        xdotool windowunmap "$win" 2>/dev/null || true
        sleep 0.1
        xdotool windowmap "$win" 2>/dev/null || true
        xdotool windowactivate "$win" 2>/dev/null || xdotool windowfocus "$win" 2>/dev/null || true
        sleep 0.1
    done
    for size in "320 240" "800 0" "1 1" "1024 768" "640 1" "800 600" "640 480"; do  # resize, height 0 too
        # shellcheck disable=SC2086
        xdotool windowsize "$win" $size 2>/dev/null || true
        sleep 0.05
    done
    for i in 1 2 3; do  # focus away and back
        xdotool search --pid "$other" 2>/dev/null | head -n1 | xargs -r xdotool windowfocus 2>/dev/null || true
        sleep 0.1
        xdotool windowfocus "$win" 2>/dev/null || true
        sleep 0.1
    done
}

pid="$(showPid)"
[ -n "$pid" ] || harness_fail "cannot find the show's process"
echo "seconds,rss_kb" >"$csv"
start=$(date +%s)
next=0
while :; do
    now=$(( $(date +%s) - start ))
    [ "$now" -lt "$totalSeconds" ] || break
    harness_show_running || harness_fail "the show ended by itself after $now s"
    if [ "$now" -ge "$next" ]; then
        echo "$now,$(rssKb "$pid")" >>"$csv"
        next=$((next + 10))
    fi
    storm
done
echo "$(( $(date +%s) - start )),$(rssKb "$pid")" >>"$csv"

harness_key "$win" Escape
harness_expect_exit 0 20

glErrors="$(grep -c '^GL: error' "$HARNESS_SHOW_LOG" || true)"
awk -F, -v warm="$warmupSeconds" -v tol="$toleranceKb" -v gl="$glErrors" '
    NR == 1 { next }
    { n++; if ($2 > peak) peak = $2 }
    $1 >= warm && !haveRef { ref = $2; haveRef = 1 }
    haveRef {
        d = $2 - ref; if (d > hi) hi = d; if (d < lo) lo = d
        if (d > tol || -d > tol) bad++
    }
    END {
        printf "soak: %d readings, peak %.1f MB; after %d s: reference %.1f MB, range %+.2f .. %+.2f MB; GL error frames %d\n",
               n, peak / 1024, warm, ref / 1024, lo / 1024, hi / 1024, gl
        if (!haveRef) { print "soak: FAIL: too short to pass the warm-up"; exit 1 }
        if (bad || gl > 0) { print "soak: FAIL"; exit 1 }
        print "soak: PASS"
    }' "$csv"
