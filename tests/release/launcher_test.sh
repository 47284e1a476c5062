#!/usr/bin/env bash
# The archive's launcher: starts bin/tessaline through a link from a folder
# with spaces, whatever the working directory, with the arguments as given;
# refuses, naming the library in one line and with a status other than 0,
# when a bundled library is missing or damaged.   $1 packaging/launcher.sh
set -euo pipefail
launcher="${1:?path of the launcher}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "launcher test: FAIL: $*" >&2; exit 1; }

top="$scratch/unpacked here/tessaline-0-linux-x86_64"
mkdir -p "$top/bin" "$top/lib" "$scratch/elsewhere"
install -m 755 "$launcher" "$top/tessaline"
printf '#!/bin/sh\necho "played [$*] from $(pwd)"\n' >"$top/bin/tessaline"
chmod 755 "$top/bin/tessaline"
head -c 5000 /dev/urandom >"$top/lib/libone.so.1"
head -c 3000 /dev/urandom >"$top/lib/libtwo.so.2"
(cd "$top/lib" && sha256sum libone.so.1 libtwo.so.2 >MANIFEST)
ln -s "$top/tessaline" "$scratch/elsewhere/tessaline"

out="$(cd / && "$scratch/elsewhere/tessaline" --window "two words")"
[ "$out" = "played [--window two words] from /" ] || fail "through the link: '$out'"

expectRefusal() {  # expectRefusal LIBRARY
    local status=0
    (cd "$scratch/elsewhere" && ./tessaline) >"$scratch/out" 2>"$scratch/err" || status=$?
    [ "$status" -ne 0 ] || fail "status 0 with $1 broken"
    [ ! -s "$scratch/out" ] || fail "the show ran with $1 broken: $(cat "$scratch/out")"
    [ "$(wc -l <"$scratch/err")" -eq 1 ] && grep -q "'$1'" "$scratch/err" ||
        fail "the message for $1: '$(cat "$scratch/err")'"
}
mv "$top/lib/libtwo.so.2" "$scratch/libtwo.so.2"
expectRefusal libtwo.so.2
mv "$scratch/libtwo.so.2" "$top/lib/libtwo.so.2"
printf 'x' | dd of="$top/lib/libone.so.1" bs=1 seek=100 conv=notrunc status=none
expectRefusal libone.so.1
echo "launcher test: passed"
