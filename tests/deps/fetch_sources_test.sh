#!/usr/bin/env bash
# scripts/fetch-windows-sources against a made-up apt configuration naming a
# made-up mirror, with stand-in dpkg-query, apt-get and apt-cache (no
# network): the sources list it writes carries the machine's entries as
# deb-src (URIs, suites, components, keyrings, options); a revision of
# upstream 2.0.12 is never taken for 2.0.1; a configuration with no source
# is refused in one line, and nothing is fetched.
#   fetch_sources_test.sh SOURCE_DIR
set -euo pipefail
root="${1:?source tree}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "fetch-sources test: FAIL: $*" >&2; exit 1; }
export TESSALINE_CACHE="$scratch/cache" TESSALINE_APT_ETC="$scratch/etc" CALLS="$scratch/calls"
mkdir -p "$scratch/bin" "$TESSALINE_APT_ETC/sources.list.d"

# Every -dev package is installed at 2.0.1-1; the archive holds 2.0.12-1,
# 2.0.1-2 and 2.0.1-1, and serves only 2.0.12-1 and 2.0.1-2.
printf '#!/bin/sh\necho 2.0.1-1\n' >"$scratch/bin/dpkg-query"
printf '#!/bin/sh\nfor v in 2.0.12-1 2.0.1-2 2.0.1-1; do printf "Package: x\\nVersion: %%s\\n\\n" "$v"; done\n' \
    >"$scratch/bin/apt-cache"
cat >"$scratch/bin/apt-get" <<'TOOL'
#!/bin/sh
for last; do :; done
echo "$last" >>"$CALLS"
case "$last" in
    update) ;;
    *=2.0.12-1|*=2.0.1-2) mkdir "${last%%=*}-2.0.1" ;;
    *) echo "E: 404 Not Found" >&2; exit 100 ;;
esac
TOOL
chmod +x "$scratch/bin/"*
export PATH="$scratch/bin:$PATH"

# The made-up configuration: a one-line list, a deb822 file (two stanzas,
# one off), a list apt would not read (wrong extension).
cat >"$TESSALINE_APT_ETC/sources.list" <<'LIST'
# a comment
deb [signed-by=/keys/made-up.gpg arch=amd64] http://mirror.invalid/debian trixie main contrib # trailing
deb-src http://mirror.invalid/debian trixie main contrib
LIST
cat >"$TESSALINE_APT_ETC/sources.list.d/made-up.sources" <<'SOURCES'
Types: deb
URIs: http://proxy.invalid:3142/debian
# comment in a stanza
Suites: trixie trixie-updates
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 made-up
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb
Enabled: no
URIs: http://off.invalid/debian
Suites: trixie
Components: main
SOURCES
echo "deb http://ignored.invalid/debian trixie main" >"$TESSALINE_APT_ETC/sources.list.d/other.list.disabled"

"$root/scripts/fetch-windows-sources" "$scratch/deps" 2>"$scratch/err" || fail "the fetch failed: $(cat "$scratch/err")"
apt="$scratch/deps/apt"
[ "$(cat "$apt/sources.list")" = "deb-src [signed-by=/keys/made-up.gpg arch=amd64] http://mirror.invalid/debian trixie main contrib
deb-src http://mirror.invalid/debian trixie main contrib" ] || fail "the one-line list: $(cat "$apt/sources.list")"
[ "$(cat "$apt/sources.list.d/machine.sources")" = "Types: deb-src
URIs: http://proxy.invalid:3142/debian
Suites: trixie trixie-updates
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 made-up
 -----END PGP PUBLIC KEY BLOCK-----" ] || fail "the deb822 file: $(cat "$apt/sources.list.d/machine.sources")"

# Each source: 2.0.1-1 (refused), then 2.0.1-2; never 2.0.12-1.
! grep -q '=2.0.12' "$CALLS" || fail "2.0.12 was taken for 2.0.1: $(grep '=2.0.12' "$CALLS" | head -n1)"
[ "$(cat "$scratch/deps/src/zlib/.version")" = 2.0.1-2 ] || fail "zlib took $(cat "$scratch/deps/src/zlib/.version")"

# Fetched once: a second deps folder on the same cache fetches nothing.
: >"$CALLS"
"$root/scripts/fetch-windows-sources" "$scratch/deps2" 2>"$scratch/err" || fail "the second fetch failed"
[ ! -s "$CALLS" ] && [ -f "$scratch/deps2/src/zlib/.version" ] || fail "a warm cache fetched: $(cat "$CALLS")"

# Nothing to take sources from: one line, status 1, no apt-get run.
rm "$TESSALINE_APT_ETC/sources.list" "$TESSALINE_APT_ETC/sources.list.d/made-up.sources"
export TESSALINE_CACHE="$scratch/cache2"
status=0
"$root/scripts/fetch-windows-sources" "$scratch/deps3" 2>"$scratch/err" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$scratch/err")" -eq 1 ] && grep -q "no apt source.*add one" "$scratch/err" ||
    fail "no sources: status $status, said '$(cat "$scratch/err")'"
[ ! -s "$CALLS" ] || fail "no sources, yet apt-get ran: $(cat "$CALLS")"
echo "fetch-sources test: passed"
