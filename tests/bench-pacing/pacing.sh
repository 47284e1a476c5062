#!/usr/bin/env bash
# The show full screen at 640x480 under Xvfb with no option (the floor: frames
# as fast as the swap allows) and with --vsync, the runs interleaved ROUNDS
# times, each on a fresh Xvfb. From 12 s to 22 s of the show (the heart on
# screen): the frame rate the title shows once a second, and the show's CPU
# time over that wall time (from /proc, in thousandths of a core). Prints the
# medians of each setting, CPU milliseconds a frame, and the ratios of
# --vsync to the floor. A benchmark: it prints figures and judges nothing.
#   pacing.sh SHOW X11_TOOL [ROUNDS]   (run from the build tree)
# (pacing.sh --one SHOW X11_TOOL [OPTION] prints one run: the readings, then
# the thousandths of a core, then the refresh rate the show reported.)
set -euo pipefail
if [ "${1:-}" = --one ]; then
    source "$(dirname "$0")/../e2e/xvfb-harness.sh"
    harness_init "$2" "$3"
    harness_require_data
    harness_start_x 640x480x24
    VEXEL_LOG=stderr harness_run_show 90 ${4:+"$4"}
    win="$(harness_wait_window '^we luv you!' 20)"
    show_pid="$(pgrep -P "$HARNESS_SHOW_PID" | head -n 1)"
    [ -n "$show_pid" ] || harness_fail "no show process under timeout ($HARNESS_SHOW_PID)"
    # utime + stime, in clock ticks: fields 14 and 15, after the parenthesised name.
    cpu_ticks() { sed 's/^.*) //' "/proc/$show_pid/stat" | awk '{ print $12 + $13 }'; }
    sleep 12
    start_ticks="$(cpu_ticks)"
    start_ns="$(date +%s%N)"
    readings=""
    for _ in $(seq 10); do
        readings+="$(harness_window_name "$win" | sed -n 's/.* - fps: \([0-9]*\)$/\1 /p')"
        sleep 1
    done
    end_ticks="$(cpu_ticks)"
    end_ns="$(date +%s%N)"
    echo "$readings"
    echo $(((end_ticks - start_ticks) * 1000000000000 / ($(getconf CLK_TCK) * (end_ns - start_ns))))
    sed -n 's/^MAIN: on display .*, refresh \([0-9]*\) Hz.*/\1/p' "$HARNESS_SHOW_LOG" | head -n 1
    harness_key "$win" Escape
    harness_expect_exit 0 10
    exit 0
fi
show="$1"
tool="$2"
rounds="${3:-3}"
[ -f data/tessaline/objects/heart.lwo ] || { echo "pacing: run from the build tree (no data/ here)" >&2; exit 1; }

declare -A fps cpu
refresh=""
for round in $(seq "$rounds"); do
    for setting in none --vsync; do
        option=""
        [ "$setting" = none ] || option="$setting"
        mapfile -t run < <(bash "$0" --one "$show" "$tool" $option)
        fps[$setting]+="${run[0]} "
        cpu[$setting]+="${run[1]} "
        refresh="${run[2]:-?}"
        echo "round $round, $setting: fps ${run[0]}, $((${run[1]} / 10)).$((${run[1]} % 10))% of a core" >&2
    done
done

median() { printf '%s\n' $1 | sort -n | awk '{a[NR]=$1} END {print (NR ? a[int((NR+1)/2)] : 0)}'; }
echo "refresh reported: $refresh Hz (0: none; paced to 60)"
for setting in none --vsync; do
    f="$(median "${fps[$setting]}")"
    c="$(median "${cpu[$setting]}")"
    per_frame="$(awk -v c="$c" -v f="$f" 'BEGIN {printf "%.2f", (f > 0 ? c / f : 0)}')"
    echo "$setting: median $f fps, $c/1000 of a core, $per_frame CPU ms a frame"
done
fn="$(median "${fps[none]}")"; fv="$(median "${fps[--vsync]}")"
cn="$(median "${cpu[none]}")"; cv="$(median "${cpu[--vsync]}")"
awk -v fn="$fn" -v fv="$fv" -v cn="$cn" -v cv="$cv" 'BEGIN {
    if (fn > 0 && fv > 0 && cn > 0)
        printf "--vsync against none: fps ratio %.2f, CPU ratio %.2f, CPU a frame ratio %.2f\n", fv / fn, cv / cn, (cv / fv) / (cn / fn)
}'
