#!/usr/bin/env bash
# The dependency cache (scripts/dep-cache.sh) with stub recipes that count
# their builds: a warm cache builds nothing, a changed recipe rebuilds that
# entry alone, a recipe failing in its middle step leaves no entry, an
# unwritable cache falls back with one line, two runs at once build once.
#   dep_cache_test.sh SOURCE_DIR
set -euo pipefail
root="${1:?source tree}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "dep-cache test: FAIL: $*" >&2; exit 1; }
export TESSALINE_CACHE="$scratch/cache" COUNT="$scratch/count"
source "$root/scripts/dep-cache.sh"

# A stub recipe: records its build, runs its middle step, installs one file.
stub() {  # stub NAME STEP...
    echo "$1" >>"$COUNT"
    "${@:2}"
    mkdir -p "$DESTDIR$DEP_PREFIX/lib"
    echo "$1" >"$DESTDIR$DEP_PREFIX/lib/$1.a"
}
export -f stub
# buildAll RECIPE_A RECIPE_B: both entries, keyed by their recipes' text.
buildAll() {
    : >"$COUNT"
    depCacheOpen stubs "$scratch/tree-cache"
    depCacheBuild one "$(depCacheKey one "$1")" "$scratch/one.log" stub one $1
    depCacheBuild two "$(depCacheKey two "$2")" "$scratch/two.log" stub two $2
}

buildAll true true
[ "$(sort "$COUNT" | tr '\n' ' ')" = "one two " ] || fail "a cold cache built '$(cat "$COUNT")'"
buildAll true true
[ ! -s "$COUNT" ] || fail "a warm cache built '$(cat "$COUNT")'"
buildAll true ":"
[ "$(cat "$COUNT")" = "two" ] || fail "a changed recipe of two built '$(cat "$COUNT")'"
[ -f "$(depCacheEntry two "$(depCacheKey two ":")")/lib/two.a" ] || fail "no entry for the changed recipe"

# A middle step that fails, called from a condition (where a function runs
# with errexit off): the entry does not appear, nothing is left staged.
key="$(depCacheKey broken)"
if depCacheBuild broken "$key" "$scratch/broken.log" stub broken false; then fail "a failing recipe succeeded"; fi
[ ! -e "$(depCacheEntry broken "$key")" ] || fail "a failing recipe left an entry"
! ls -A "$DEP_CACHE" | grep -q '^\.staging' || fail "a failing recipe left its staging"

# Unwritable (a file stands where the folder would be; so for root too):
# one line, then the fallback folder serves.
touch "$scratch/file"
TESSALINE_CACHE="$scratch/file/cache" buildAll true true 2>"$scratch/err"
[ "$(wc -l <"$scratch/err")" -eq 1 ] && grep -q "cannot be written" "$scratch/err" ||
    fail "the unwritable cache said '$(cat "$scratch/err")'"
[ "$DEP_CACHE" = "$scratch/tree-cache" ] && [ -f "$DEP_CACHE/one-$(depCacheKey one true)/lib/one.a" ] ||
    fail "the fallback built nothing into $scratch/tree-cache"

# Two runs at once: the second waits on the lock and finds the entry built.
slow() { sleep 1; }
export -f slow
: >"$COUNT"
depCacheOpen stubs x
(depCacheOpen stubs x && depCacheBuild shared k "$scratch/a.log" stub shared slow) &
(depCacheOpen stubs x && depCacheBuild shared k "$scratch/b.log" stub shared slow) &
wait
[ "$(cat "$COUNT")" = "shared" ] || fail "two runs at once built '$(cat "$COUNT" | tr '\n' ' ')'"
[ "$(cat "$(depCacheEntry shared k)/lib/shared.a")" = shared ] || fail "the shared entry is damaged"
echo "dep-cache test: passed"
