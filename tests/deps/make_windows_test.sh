#!/usr/bin/env bash
# scripts/make-windows on a made-up tree with a stand-in objdump and strip:
# the DLLs an import names are found in any of the listed prefixes and
# bundled; an objdump that cannot read a file stops it, with no zip written.
#   make_windows_test.sh SOURCE_DIR
set -euo pipefail
root="${1:?source tree}"
command -v python3 >/dev/null || { echo "make-windows test: SKIP: no python3 (scripts/install-deps windows)" >&2; exit 77; }
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "make-windows test: FAIL: $*" >&2; exit 1; }
native="$scratch/native" tree="$scratch/tree" dist="$scratch/dist"
mkdir -p "$scratch/bin" "$native/data/tessaline/objects" "$tree" "$scratch/one/bin" "$scratch/two/bin"
touch "$native/data/tessaline/objects/heart.lwo"
echo "CMAKE_PROJECT_VERSION:STATIC=0.0.0" >"$tree/CMakeCache.txt"
echo exe >"$tree/tessaline.exe"
echo dll >"$scratch/two/bin/libstub.dll"
printf '%s\n' "$scratch/one" "$scratch/two" >"$scratch/prefixes"
# The program imports libstub.dll and kernel32.dll; $OBJDUMP_FAILS fails it.
cat >"$scratch/bin/x86_64-w64-mingw32-objdump" <<'TOOL'
#!/bin/sh
for file; do :; done
[ -z "$OBJDUMP_FAILS" ] || { echo "objdump: $file: file format not recognized" >&2; exit 1; }
case "$file" in *.exe) printf '\tDLL Name: libstub.dll\n\tDLL Name: KERNEL32.dll\n' ;; esac
TOOL
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/x86_64-w64-mingw32-strip"
chmod +x "$scratch/bin/"*
export PATH="$scratch/bin:$PATH" OBJDUMP_FAILS=""

"$root/scripts/make-windows" "$native" "$tree" "$scratch/prefixes" "$dist" >"$scratch/out" 2>&1 ||
    fail "make-windows failed: $(cat "$scratch/out")"
grep -q "bundled 1: libstub.dll" "$scratch/out" || fail "said '$(cat "$scratch/out")'"
rm -rf "$dist"
status=0
OBJDUMP_FAILS=1 "$root/scripts/make-windows" "$native" "$tree" "$scratch/prefixes" "$dist" >"$scratch/out" 2>&1 || status=$?
[ "$status" -ne 0 ] && grep -q "objdump cannot read" "$scratch/out" || fail "a failing objdump: status $status, '$(cat "$scratch/out")'"
! ls "$dist"/*.zip >/dev/null 2>&1 || fail "a zip was written without its DLLs"
echo "make-windows test: passed"
