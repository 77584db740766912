#!/usr/bin/env bash
# The real game started straight into arcade play by the developer switch #PLAYARCADE(1): the
# board must show, holding Right must turn the camera round it, and a block is dragged one cell.
# Pixels are compared with a tolerance, never whole images. Screens land in build/screens/arcade_*.
# $1: the build folder (holding zandor and Zandor.lmo).
set -euo pipefail
build=$(cd "$1" && pwd)
run=$(mktemp -d /tmp/zandor-e2e-arcade.XXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$run"' EXIT
mkdir -p "$run/home" "$run/inst" "$run/shots" "$build/screens"
rm -f "$build"/screens/arcade_*.png
ln -s "$build/zandor" "$run/inst/zandor"
[ -f "$build/Zandor.lmo" ] && ln -s "$build/Zandor.lmo" "$run/inst/Zandor.lmo"
printf '#WINDOWED\n#PLAYARCADE(1)\n' > "$run/inst/Config.txt"
# 10 ms a frame: the level's half-second fade-in is over after 120 frames.
cat > "$run/script.txt" <<'SCRIPT'
wait 120
screenshot arcade_start
move 0.641 0.717
wait 3
press left
wait 3
move 0.62 0.717
wait 3
move 0.60 0.717
wait 3
move 0.57 0.717
wait 3
release left
wait 40
screenshot arcade_dragged
keydown Right
wait 60
keyup Right
wait 60
screenshot arcade_turned
quit
SCRIPT

rc=0
(cd "$run/inst" && env HOME="$run/home" XDG_DATA_HOME= XDG_CONFIG_HOME= SDL_AUDIODRIVER=dummy \
    ZANDOR_SCRIPT="$run/script.txt" ZANDOR_FIXED_STEP_MS=10 ZANDOR_SHOT_DIR="$run/shots" \
    timeout 90 xvfb-run -a -s "-screen 0 1280x1024x24" ./zandor > "$run/stdout" 2>&1) || rc=$?
if [ "$rc" -ne 0 ]; then
  echo "zandor did not end cleanly (exit $rc):"; cat "$run/stdout"; exit 1
fi
log="$run/home/.local/share/Taglum Games/Zandor/Log.txt"
[ -f "$log" ] || { echo "no Log.txt"; cat "$run/stdout"; exit 1; }
grep -qF "GameMode = 3" "$log" || { echo "Log.txt lacks: GameMode = 3"; cat "$log"; exit 1; }
# A level that cannot be built goes back to the title: play must not have been left.
if grep -A1000 -F "GameMode = 3" "$log" | grep -qF "GameMode = 2"; then
  echo "play was left for the title:"; cat "$log"; exit 1
fi
cp "$run"/shots/arcade_*.png "$build/screens/" 2>/dev/null || true

PYTHONPATH="$(dirname "$0")" python3 - "$run/shots" <<'PY' || { echo "--- stdout:"; cat "$run/stdout"; exit 1; }
import os, struct, sys, zlib

from pngread import read_png

def samples(path):
    """Every 4th pixel of the lower half, where the board stands."""
    w, h, pixel = read_png(path)
    if (w, h) != (800, 600):
        sys.exit('%s: %dx%d, expected the 800x600 back buffer' % (path, w, h))
    return [pixel(x, y) for y in range(h // 2, h, 4) for x in range(0, w, 4)]

shots = sys.argv[1]
want = ['arcade_start.png', 'arcade_dragged.png', 'arcade_turned.png']
missing = [n for n in want if not os.path.exists(os.path.join(shots, n))]
if missing:
    sys.exit('screenshots missing: %s' % missing)
start, dragged, turned = (samples(os.path.join(shots, n)) for n in want)

lit = sum(r + g + b > 60 for r, g, b in start)
grey = sum(r + g + b > 90 and max(r, g, b) - min(r, g, b) < 40 for r, g, b in start)
coloured = sum(max(r, g, b) > 110 and max(r, g, b) - min(r, g, b) > 80 for r, g, b in start)
print('start: %d lit, %d slate, %d coloured of %d samples' % (lit, grey, coloured, len(start)))
if lit < len(start) // 10:
    sys.exit('the board does not show')
if grey < 300:
    sys.exit('no board tiles in view')
if coloured < 100:
    sys.exit('no blocks in view')

def changed(a, b):
    return sum(sum(abs(p - q) for p, q in zip(x, y)) > 60 for x, y in zip(a, b))

turn = changed(dragged, turned)
print('turned: %d of %d samples changed' % (turn, len(start)))
if turn < len(start) // 20:
    sys.exit('holding Right did not turn the camera')
# The drag took the block at the front right of the top layer one cell to the left, up onto its
# neighbour: the cell above the neighbour takes the dragged block's colour. (The run is
# deterministic: fixed 10 ms frames and the game's own random sequence.)
def box_mean(path, x0, y0, size=20):
    w, h, pixel = read_png(path)
    px = [pixel(x, y) for y in range(y0, y0 + size) for x in range(x0, x0 + size)]
    return tuple(sum(p[i] for p in px) / len(px) / 255.0 for i in range(3))

def distance(a, b):
    return sum(abs(p - q) for p, q in zip(a, b))

moved = box_mean(os.path.join(shots, 'arcade_start.png'), 503, 420)
before = box_mean(os.path.join(shots, 'arcade_start.png'), 448, 355)
after = box_mean(os.path.join(shots, 'arcade_dragged.png'), 448, 355)
print('dragged block %.2f %.2f %.2f; above its neighbour: before %.2f %.2f %.2f, after %.2f %.2f %.2f'
      % (moved + before + after))
if max(moved) < 0.6 or distance(before, moved) < 0.4 or distance(after, moved) > 0.25:
    sys.exit('the dragged block did not climb onto its neighbour')
PY
echo "play arcade e2e: ok"
