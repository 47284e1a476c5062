#!/usr/bin/env bash
# The archive that scripts/make-release writes loads its bundled libraries
# before any copy on LD_LIBRARY_PATH (a game launcher's, a Steam runtime's,
# conda's), the libraries' own neighbours included. Made from a made-up
# release tree: a stub program needing a stub libSDL2-2.0.so.0 that needs a
# stub libvexelstub.so.1 (a name no system has: make-release bundles what
# this system resolves); the foreign copies lack SDL's symbol and answer
# "foreign".
#   bundled_first_test.sh SOURCE_DIR C++_COMPILER
set -euo pipefail
root="${1:?source tree}"
cxx="${2:?C++ compiler}"
for tool in patchelf objdump strip xz; do
    command -v "$tool" >/dev/null || { echo "bundled-first test: SKIP: no $tool (scripts/install-deps test)" >&2; exit 77; }
done
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "bundled-first test: FAIL: $*" >&2; exit 1; }

build="$scratch/build" ours="$scratch/ours" foreign="$scratch/foreign"
mkdir -p "$build/data" "$ours" "$foreign"
echo "CMAKE_PROJECT_VERSION:STATIC=0.0.0" >"$build/CMakeCache.txt"
echo data >"$build/data/file"

# library NAME DIR SOURCE [LINK...]
library() {
    printf 'extern "C" {\n%s\n}\n' "$3" >"$scratch/src.cpp"
    "$cxx" -shared -fPIC -o "$2/$1" -Wl,-soname,"$1" "$scratch/src.cpp" "${@:4}"
}
library libvexelstub.so.1 "$ours" 'const char* stub_origin(void) { return "bundled"; }'
library libSDL2-2.0.so.0 "$ours" 'const char* stub_origin(void);
const char* SDL_UnlockAudioDevice(void) { return stub_origin(); }' -L"$ours" -l:libvexelstub.so.1 -Wl,-rpath,"$ours"
library libvexelstub.so.1 "$foreign" 'const char* stub_origin(void) { return "foreign"; }'
library libSDL2-2.0.so.0 "$foreign" 'int SDL_Init(void) { return 0; }'
# C++, as the show is: the release notes name the libstdc++ it needs.
printf '#include <iostream>\nextern "C" const char* SDL_UnlockAudioDevice();\nint main() { std::cout << SDL_UnlockAudioDevice() << "\\n"; }\n' >"$scratch/main.cpp"
"$cxx" -o "$build/tessaline" "$scratch/main.cpp" -L"$ours" -l:libSDL2-2.0.so.0 -Wl,-rpath,"$ours"

"$root/scripts/make-release" "$build" "$scratch/dist" >"$scratch/release.log" 2>&1 ||
    fail "make-release: $(cat "$scratch/release.log")"
tar -xJf "$scratch/dist"/tessaline-0.0.0-linux-*.tar.xz -C "$scratch"
rm -rf "$ours"  # only the archive's copies are left to find
top="$(echo "$scratch"/tessaline-0.0.0-linux-*)"

status=0
out="$(LD_LIBRARY_PATH="$foreign" "$top/tessaline" 2>&1)" || status=$?
[ "$status" -eq 0 ] || fail "with foreign copies on LD_LIBRARY_PATH: status $status: $out"
[ "$out" = bundled ] || fail "a foreign copy was loaded: '$out'"
echo "bundled-first test: passed"
