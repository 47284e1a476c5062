#!/usr/bin/env bash
# scripts/build-windows-deps on a made-up zlib source with a stand-in cross
# compiler (no real build): a compile failing amid the loop, or the link
# failing between the compiles and the install, fails the build with one
# line naming the library and its log, and caches nothing; a build that works
# is cached, listed in DEPS_DIR/prefixes, and not built again.
#   windows_deps_test.sh SOURCE_DIR
set -euo pipefail
root="${1:?source tree}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "windows-deps test: FAIL: $*" >&2; exit 1; }
export TESSALINE_CACHE="$scratch/cache"
deps="$scratch/deps"
mkdir -p "$scratch/bin" "$deps/src/zlib"

# The stand-in compiler writes its outputs, and fails where an argument
# holds $FAIL_ON.
cat >"$scratch/bin/x86_64-w64-mingw32-gcc-posix" <<'TOOL'
#!/usr/bin/env bash
[ "${1:-}" != --version ] || { echo "stand-in gcc 1"; exit 0; }
for arg in "$@"; do
    [ -z "${FAIL_ON:-}" ] || [[ "$arg" != *"$FAIL_ON"* ]] || { echo "stand-in gcc: $arg: error" >&2; exit 1; }
done
while [ "$#" -gt 0 ]; do
    case "$1" in
        -o) touch "$2"; shift ;;
        -Wl,--out-implib,*) touch "${1#-Wl,--out-implib,}" ;;
    esac
    shift
done
TOOL
chmod +x "$scratch/bin/x86_64-w64-mingw32-gcc-posix"
ln -s x86_64-w64-mingw32-gcc-posix "$scratch/bin/x86_64-w64-mingw32-g++-posix"
export PATH="$scratch/bin:$PATH"
for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    echo "int $f;" >"$deps/src/zlib/$f.c"
done
echo '#define ZLIB_VERSION "1.2.13"' >"$deps/src/zlib/zlib.h"
touch "$deps/src/zlib/zconf.h"
echo "1:1.2.13.dfsg-1" >"$deps/src/zlib/.version"

expectFailure() {  # expectFailure FAIL_ON WHAT
    local status=0
    FAIL_ON="$1" "$root/scripts/build-windows-deps" "$deps" 1 zlib 2>"$scratch/err" || status=$?
    [ "$status" -eq 1 ] || fail "$2: status $status"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] && grep -q "zlib .*failed.*$deps/logs/zlib.log" "$scratch/err" ||
        fail "$2: said '$(cat "$scratch/err")'"
    ! ls "$TESSALINE_CACHE/windows-x86_64" | grep -q . || fail "$2: cached $(ls -A "$TESSALINE_CACHE/windows-x86_64")"
    [ ! -e "$deps/prefixes" ] || fail "$2: wrote the prefixes"
}
expectFailure crc32.c "a file amid the compiles that does not compile"
expectFailure -shared "a link that fails before the install"

"$root/scripts/build-windows-deps" "$deps" 1 zlib 2>"$scratch/err" || fail "the build failed: $(cat "$scratch/err")"
grep -q "built zlib" "$scratch/err" || fail "the first build said '$(cat "$scratch/err")'"
prefix="$(cat "$deps/prefixes")"
[ -f "$prefix/bin/zlib1.dll" ] && grep -qxF "prefix=$prefix" "$prefix/lib/pkgconfig/zlib.pc" ||
    fail "no zlib in the listed prefix '$prefix'"
"$root/scripts/build-windows-deps" "$deps" 1 zlib 2>"$scratch/err" || fail "the second run failed"
[ ! -s "$scratch/err" ] || fail "a second run said '$(cat "$scratch/err")'"
echo "windows-deps test: passed"
