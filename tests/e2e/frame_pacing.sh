#!/usr/bin/env bash
# Under Xvfb the software renderer's swap waits for no refresh: the show paces
# its frames itself. At ~15 s the title's frame rate is at most 75 (the
# refresh, 60 Hz where none is reported, paced at one frame a second more),
# and the show uses at most 0.7 of a core over 10 s (its own CPU time, from
# /proc). Escape then ends it with 0.
set -euo pipefail
source "$(dirname "$0")/xvfb-harness.sh"
harness_init "$@"
harness_require_data
harness_start_x 640x480x24
harness_run_show 60
win="$(harness_wait_window '^we luv you! - fps: [0-9]+$' 20)"
show_pid="$(pgrep -P "$HARNESS_SHOW_PID" | head -n 1)"
[ -n "$show_pid" ] || harness_fail "no show process under timeout ($HARNESS_SHOW_PID)"

# utime + stime, in clock ticks: fields 14 and 15, after the parenthesised name.
cpu_ticks() { sed 's/^.*) //' "/proc/$show_pid/stat" | awk '{ print $12 + $13 }'; }

sleep 12
fps="$(harness_window_name "$win" | sed -n 's/.* - fps: \([0-9]*\)$/\1/p')"
echo "e2e: title at ~15 s: '$(harness_window_name "$win")'"
[ -n "$fps" ] || harness_fail "no frame rate in the title"
[ "$fps" -le 75 ] || harness_fail "the show draws $fps frames a second (at most 75)"

start_ticks="$(cpu_ticks)"
start_ns="$(date +%s%N)"
sleep 10
end_ticks="$(cpu_ticks)"
end_ns="$(date +%s%N)"
harness_show_running || harness_fail "the show ended by itself"
# Thousandths of a core: CPU ticks over wall time.
milli_cores=$(((end_ticks - start_ticks) * 1000000000000 / ($(getconf CLK_TCK) * (end_ns - start_ns))))
echo "e2e: the show used $milli_cores thousandths of a core over $(((end_ns - start_ns) / 1000000)) ms"
[ "$milli_cores" -le 700 ] || harness_fail "the show kept $milli_cores/1000 of a core busy (at most 700)"

harness_key "$win" Escape
harness_expect_exit 0 10
