#!/usr/bin/env bash
# Still seeks of the capture tool: a still at 28:16 (late in the show, after
# the whole first scene) against a still at 0:1 (the floor: start-up and one
# frame), at 640x480 and 1920x1080, in the same run.
#   stills.sh CAPTURE RUNS
set -euo pipefail
capture="$1"
runs="${2:-5}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# Median wall milliseconds of `runs` runs of one still.
median_ms() {
  local size="$1" position="$2" times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$capture" --quiet --size "$size" --still "$position" "$out/still.png"
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

for size in 640x480 1920x1080; do
  floor=$(median_ms "$size" 0:1)
  late=$(median_ms "$size" 28:16)
  ratio=$(awk -v a="$late" -v b="$floor" 'BEGIN {printf "%.2f", a / b}')
  echo "still $size: 28:16 median $late ms, 0:1 median $floor ms, ratio $ratio"
done
