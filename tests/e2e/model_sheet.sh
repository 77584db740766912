#!/usr/bin/env bash
# The model sheet: every model of the game drawn through the engine's texture, material and mesh
# code on the GL device under Xvfb, into one labelled grid, build/screens/models.png. modelsheet
# itself fails when a model does not load, lacks a material or leaves its cell empty; here we
# also check that the picture is there and is not one flat colour.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
tool="$build/tools/modelsheet/modelsheet"
[ -x "$tool" ] || { echo "no modelsheet program at $tool"; exit 1; }
[ -d "$build/content" ] || { echo "no generated content in $build/content"; exit 1; }
mkdir -p "$build/screens"
out="$build/screens/models.png"
rm -f "$out"
env SDL_AUDIODRIVER=dummy timeout 100 xvfb-run -a -s "-screen 0 1800x2200x24" \
    "$tool" "$build/content" "$src/content" "$out"
[ -s "$out" ] || { echo "no $out"; exit 1; }
# A real sheet of 60-odd lit models compresses far worse than an empty grid.
size=$(stat -c %s "$out")
[ "$size" -gt 300000 ] || { echo "$out is suspiciously small ($size bytes)"; exit 1; }
echo "model sheet e2e: ok ($out)"
