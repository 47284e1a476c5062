#!/bin/sh
# Starts tessaline from wherever this folder was unpacked: through a symbolic
# link, from a path with spaces, on a read-only medium. Nothing is written.
# Before it starts the show it checks every bundled library against
# lib/MANIFEST, so that a missing or damaged one is named in one line (exit
# 127, as the system's loader does) rather than swapped for another copy.
self=$(readlink -f -- "$0" 2>/dev/null) || self=$0
here=$(dirname -- "$self")
lib="$here/lib"
if [ ! -r "$lib/MANIFEST" ] || [ ! -x "$here/bin/tessaline" ]; then
    echo "tessaline: '$here' is not a whole tessaline folder (lib/MANIFEST or bin/tessaline missing): unpack the archive again" >&2
    exit 127
fi
while read -r sum name; do
    if [ ! -f "$lib/$name" ]; then
        echo "tessaline: bundled library '$name' is missing from '$lib': unpack the archive again" >&2
        exit 127
    fi
    actual=$(sha256sum <"$lib/$name") || actual=
    if [ "${actual%% *}" != "$sum" ]; then
        echo "tessaline: bundled library '$name' in '$lib' is damaged: unpack the archive again" >&2
        exit 127
    fi
done <"$lib/MANIFEST"
exec "$here/bin/tessaline" "$@"
