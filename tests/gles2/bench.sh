#!/usr/bin/env bash
# The closing scene's frame time through the OpenGL ES 2 layer against the
# system's OpenGL 1.1 on the same EGL device, each run RUNS times in turn;
# medians and their ratio (the layer's time over GL 1.1's).
#   bench.sh DESKTOP_BENCH LAYERED_BENCH [RUNS] [FRAMES]
set -euo pipefail
desktop="$1"
layered="$2"
runs="${3:-5}"
frames="${4:-200}"
gl11=()
gles2=()
for _ in $(seq "$runs"); do
  line=$("$desktop" "$frames")
  gl11+=("${line%% *}")
  line=$("$layered" "$frames")
  gles2+=("${line%% *}")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
a=$(median "${gl11[@]}")
b=$(median "${gles2[@]}")
echo "closing scene (28:16), 640x480, $frames frames x $runs runs: ${line#* ms a frame }"
echo "  OpenGL 1.1:        median $a ms a frame (runs: ${gl11[*]})"
echo "  OpenGL ES 2 layer: median $b ms a frame (runs: ${gles2[*]})"
awk -v a="$a" -v b="$b" 'BEGIN {printf "  ratio (layer / GL 1.1): %.2f\n", b / a}'
