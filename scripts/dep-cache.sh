# A per-user cache of built dependencies (and of the sources they are built
# from), shared by every clone on the machine. Sourced by the scripts that
# build them (scripts/build-windows-deps, scripts/fetch-windows-sources).
#
# The cache's root is $TESSALINE_CACHE, else $XDG_CACHE_HOME/tessaline, else
# ~/.cache/tessaline. It holds one folder per kind of entry (the Windows
# libraries, the Debian sources, ...), and in it one folder per entry,
# NAME-KEY. An entry appears in one rename once it is complete, so a reader
# sees it whole or not at all; a build that fails leaves nothing behind.
# Two runs at once take turns on an entry (flock): the second finds it built.
#
#   depCacheOpen KIND FALLBACK
#       Sets DEP_CACHE to ROOT/KIND, or, where that folder cannot be written,
#       to FALLBACK (a folder of the build tree), saying so in one line.
#   depCacheKey TEXT...
#       Prints a key for its arguments (a hash of them): callers pass all a
#       build depends on (source version, recipe text, toolchain, flags, the
#       keys of the entries it builds on).
#   depCacheEntry NAME KEY
#       Prints the entry's folder, DEP_CACHE/NAME-KEY (there only when built).
#   depCacheBuild NAME KEY LOG FUNCTION [ARG...]
#       Makes the entry unless it is there: runs FUNCTION ARG... in a bash of
#       its own with errexit, nounset and pipefail on (so that any failing
#       step fails it, however the caller calls this), output to LOG, with
#       DEP_PREFIX the entry's final folder (what the build is configured
#       with) and DESTDIR a staging root: the function installs into
#       $DESTDIR$DEP_PREFIX. FUNCTION and what it calls must be exported
#       (export -f), and so must the variables it reads. Returns 1 when the
#       function fails; sets DEP_CACHE_BUILT to 1 when it built, else 0.

depCacheOpen() {  # depCacheOpen KIND FALLBACK
    local root="${TESSALINE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tessaline}"
    DEP_CACHE="$root/$1"
    if ! { mkdir -p "$DEP_CACHE" && [ -w "$DEP_CACHE" ] && [ -x "$DEP_CACHE" ]; } 2>/dev/null; then
        echo "$(basename "$0"): the cache folder $DEP_CACHE cannot be written; building in $2 instead" >&2
        DEP_CACHE="$2"
        mkdir -p "$DEP_CACHE"
    fi
    DEP_CACHE="$(cd "$DEP_CACHE" && pwd)"
}

depCacheKey() {  # depCacheKey TEXT...
    printf '%s\n' "$@" | sha256sum | cut -c1-16
}

depCacheEntry() {  # depCacheEntry NAME KEY
    printf '%s/%s-%s\n' "$DEP_CACHE" "$1" "$2"
}

depCacheBuild() {  # depCacheBuild NAME KEY LOG FUNCTION [ARG...]
    local entry lock fd staging status=0
    entry="$(depCacheEntry "$1" "$2")"
    DEP_CACHE_BUILT=0
    [ -d "$entry" ] && return 0
    lock="$DEP_CACHE/.lock-$1-$2"
    exec {fd}>"$lock"
    flock "$fd"
    if [ -d "$entry" ]; then  # built by a run we waited for
        exec {fd}>&-
        return 0
    fi
    # Ours alone while the lock is held: stagings of this entry left by a
    # run that was killed go first.
    rm -rf "$DEP_CACHE/.staging-$1-$2-"*
    staging="$DEP_CACHE/.staging-$1-$2-$$"
    mkdir -p "$staging$entry"
    # A process of its own: a function called from a condition (`if`, `||`)
    # runs with errexit off however it sets it, and so would a subshell.
    DEP_PREFIX="$entry" DESTDIR="$staging" bash -c 'set -euo pipefail; "$@"' dep-cache "${@:4}" >"$3" 2>&1 ||
        status=$?
    [ "$status" -ne 0 ] || mv "$staging$entry" "$entry" || status=1
    rm -rf "$staging"
    exec {fd}>&-
    [ "$status" -eq 0 ] || return 1
    DEP_CACHE_BUILT=1
}
