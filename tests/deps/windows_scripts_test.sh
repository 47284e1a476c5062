#!/usr/bin/env bash
# The Windows check's scripts with Wine and its tools stood in for (nothing
# of Wine runs): scripts/windows-check says why --version failed before it
# counts the case; scripts/windows-frame-time, failing before Wine starts
# (no zip), still runs its whole clean-up.
#   windows_scripts_test.sh SOURCE_DIR
set -euo pipefail
root="${1:?source tree}"
command -v python3 >/dev/null || { echo "windows-scripts test: SKIP: no python3 (scripts/install-deps windows)" >&2; exit 77; }
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "windows-scripts test: FAIL: $*" >&2; exit 1; }
native="$scratch/native"
mkdir -p "$scratch/bin" "$native/tests/e2e" "$native/tests/e2e-show" "$scratch/stage/tessaline-0.0.0-windows-x86_64"
for tool in Xvfb xdotool ffmpeg x86_64-w64-mingw32-objdump unzip wineboot wine wineserver; do
    printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/$tool"
done
# wine fails --version; wineserver notes the prefix it is asked to end.
printf '#!/bin/sh\necho "wine: cannot start"\nexit 1\n' >"$scratch/bin/wine"
printf '#!/bin/sh\necho "$WINEPREFIX" >>"%s"\n' "$scratch/wineservers" >"$scratch/bin/wineserver"
printf '#!/bin/sh\necho "unzip: cannot find $2" >&2\nexit 9\n' >"$scratch/bin/unzip.fails"
for tool in tests/e2e/x11-tool tests/e2e-show/frame-probe tessaline; do
    printf '#!/bin/sh\nexit 0\n' >"$native/$tool"
    chmod +x "$native/$tool"
done
chmod +x "$scratch/bin/"*
echo exe >"$scratch/stage/tessaline-0.0.0-windows-x86_64/tessaline.exe"
"$root/scripts/write-zip" "$scratch/show.zip" "$scratch/stage/tessaline-0.0.0-windows-x86_64" 0
export PATH="$scratch/bin:$PATH"

# windows-check's unzip is the real one's stand-in: it unpacks with Python.
printf '#!/bin/sh\nexec python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" "$2" "$4"\n' \
    >"$scratch/bin/unzip"
status=0
"$root/scripts/windows-check" "$scratch/show.zip" "$native" version >"$scratch/out" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "windows-check passed a failing --version"
grep -q "^windows-check: --version ended with status 1 and printed 'wine: cannot start'" "$scratch/out" &&
    grep -q "^windows-check: version FAILED" "$scratch/out" || fail "windows-check said: $(cat "$scratch/out")"

cp "$scratch/bin/unzip.fails" "$scratch/bin/unzip"
: >"$scratch/wineservers"
status=0
"$root/scripts/windows-frame-time" "$scratch/missing.zip" "$native" >"$scratch/out" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "windows-frame-time passed without a zip"
! grep -q "unbound variable" "$scratch/out" || fail "windows-frame-time's clean-up: $(cat "$scratch/out")"
prefix="$(tail -n1 "$scratch/wineservers")"
[ -n "$prefix" ] && [ ! -e "$(dirname "$prefix")" ] ||
    fail "windows-frame-time left its wineserver or its folder '$(dirname "$prefix")'"
echo "windows-scripts test: passed"
