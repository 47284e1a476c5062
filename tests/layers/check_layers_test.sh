#!/usr/bin/env bash
# scripts/check-layers on small planted trees: quiet on includes that point
# down or sideways, loud (and failing) on each that points up.
set -uo pipefail
check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$tree/src/loader" "$tree/src/render" "$tree/src/app" "$tree/src/core" "$tree/tools/x"
printf '#include "core/demo_system.h"\n#include "render/texture_manager.h"\n#include <vector>\n' >"$tree/src/loader/a.cpp"
printf '#include "app/shell.h"\n#include "own_header.h"\n' >"$tree/tools/x/main.cpp"
out="$("$check" "$tree")" || fail "a clean tree was refused: $out"
[[ "$out" == *"0 upward includes"* ]] || fail "no all-clear line: $out"

printf '#include "core/x.h"\n  #  include "app/shell.h"\n' >"$tree/src/loader/b.cpp"
printf '#include <SDL.h>\n' >"$tree/src/core/c.cpp"
printf '#include <GLES2/gl2.h>\n' >"$tree/src/render/d.cpp"
out="$("$check" "$tree")" && fail "upward includes passed: $out"
[[ "$out" == *"src/loader/b.cpp:2: includes \"app/shell.h\" (layer 5) from layer 3"* ]] || fail "upward include not named: $out"
[[ "$out" == *"src/core/c.cpp:1: includes <SDL.h>"* ]] || fail "SDL outside the platform not named: $out"
[[ "$out" == *"src/render/d.cpp:1: includes <GLES2/gl2.h>"* ]] || fail "OpenGL ES 2 outside the platform not named: $out"
[[ "$out" == *"3 include(s) point up"* ]] || fail "wrong count: $out"
echo "ok"
