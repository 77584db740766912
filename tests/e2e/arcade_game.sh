#!/usr/bin/env bash
# A whole arcade game at difficulty 2 with nobody playing: blocks keep dropping in and the stack
# grows, odd events turn blocks to metal, groups vanish by themselves, and once the stack stays
# at ten layers the countdown runs out and the board is lost: every block turns to metal and
# flies apart. Frames are 50 ms of game time each, so two minutes of play take about half a
# minute here. Screens land in build/screens/game_*.png.
# $1: the build folder (holding zandor and Zandor.lmo).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
run=$(mktemp -d /tmp/zandor-e2e-game.XXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$run"' EXIT
mkdir -p "$run/home" "$run/inst" "$run/shots" "$build/screens"
rm -f "$build"/screens/game_*.png
ln -s "$build/zandor" "$run/inst/zandor"
[ -f "$build/Zandor.lmo" ] && ln -s "$build/Zandor.lmo" "$run/inst/Zandor.lmo"
printf '#WINDOWED\n#PLAYARCADE(2)\n' > "$run/inst/Config.txt"
{
  echo "wait 40"; echo "screenshot game_0s"
  for t in 10 20 30 40 50 60 70 80 90 100 110 120; do echo "wait 200"; echo "screenshot game_${t}s"; done
  echo quit
} > "$run/script.txt"

rc=0
(cd "$run/inst" && env HOME="$run/home" XDG_DATA_HOME= XDG_CONFIG_HOME= SDL_AUDIODRIVER=dummy \
    ZANDOR_SCRIPT="$run/script.txt" ZANDOR_FIXED_STEP_MS=50 ZANDOR_SHOT_DIR="$run/shots" \
    timeout 240 xvfb-run -a -s "-screen 0 1280x1024x24" ./zandor > "$run/stdout" 2>&1) || rc=$?
if [ "$rc" -ne 0 ]; then
  echo "zandor did not end cleanly (exit $rc):"; cat "$run/stdout"; exit 1
fi
log="$run/home/.local/share/Taglum Games/Zandor/Log.txt"
[ -f "$log" ] || { echo "no Log.txt"; cat "$run/stdout"; exit 1; }
for want in "GameMode = 3" "Level 0 started : 7 x 7 board" "Board lost : score "; do
  grep -qF -- "$want" "$log" || { echo "Log.txt lacks: $want"; cat "$log"; exit 1; }
done
grep -F "Board lost" "$log"
cp "$run"/shots/game_*.png "$build/screens/" 2>/dev/null || true

PYTHONPATH="$here" python3 - "$run/shots" "$log" <<'PY' || { echo "--- stdout:"; cat "$run/stdout"; exit 1; }
import os, re, sys
from pngread import read_png

shots, log = sys.argv[1], open(sys.argv[2], encoding='utf-8', errors='replace').read()

def census(name):
    """Coloured (block) and grey-metal pixels over every 4th pixel of the frame."""
    w, h, pixel = read_png(os.path.join(shots, name))
    coloured = grey = 0
    for y in range(0, h, 4):
        for x in range(0, w, 4):
            r, g, b = pixel(x, y)
            hi, lo = max(r, g, b), min(r, g, b)
            if hi > 110 and hi - lo > 80:
                coloured += 1
            elif hi > 120 and hi - lo < 30:
                grey += 1
    return coloured, grey

# When the board was lost, from the log's game clock (mm:ss.hh).
m = re.search(r'(\d+):(\d+\.\d+) : Board lost', log)
lost = int(m.group(1)) * 60 + float(m.group(2))
print('board lost after %.1f s of play' % lost)
if not 20 <= lost <= 110:
    sys.exit('the board was lost at %.1f s; expected a stack left alone to last 20 to 110 s' % lost)

before = [t for t in range(10, 130, 10) if t + 5 < lost]
after = [t for t in range(10, 130, 10) if t > lost + 5]
start = census('game_0s.png')
grown = max(census('game_%ds.png' % t)[0] for t in before)
ended = census('game_%ds.png' % after[-1])
print('coloured pixels: start %d, most before the loss %d, after %d; grey after %d'
      % (start[0], grown, ended[0], ended[1]))
if grown <= start[0] * 1.2:
    sys.exit('the stack did not grow: no blocks dropped in')
# A single block left in its colour shows as about a hundred coloured samples.
if ended[0] > 60 or ended[1] < 300:
    sys.exit('the lost board did not all turn to metal')
PY
echo "arcade game e2e: ok"
