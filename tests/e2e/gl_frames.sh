#!/usr/bin/env bash
# The real game on the GL device with TESTFORHOLES: the cleared background flashes magenta and
# yellow five times a second, so screenshots taken a few frames apart must show both colours,
# at the back buffer's size. Pixels are compared with a tolerance, never whole images.
# $1: the build folder (holding zandor and Zandor.lmo).
set -euo pipefail
build=$(cd "$1" && pwd)
run=$(mktemp -d /tmp/zandor-e2e-glframes.XXXX)
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/home" "$run/inst" "$run/shots"
ln -s "$build/zandor" "$run/inst/zandor"
[ -f "$build/Zandor.lmo" ] && ln -s "$build/Zandor.lmo" "$run/inst/Zandor.lmo"
printf '#WINDOWED\n#TESTFORHOLES\n' > "$run/inst/Config.txt"
# At 10 ms a frame the colour changes every 10 frames; shots 7 frames apart see both. The title
# fades in from black over its first half second, so the shots start after it.
{
  echo "wait 80"
  for i in 1 2 3 4 5 6; do echo "screenshot hole$i"; echo "wait 7"; done
  echo "quit"
} > "$run/script.txt"

rc=0
(cd "$run/inst" && env HOME="$run/home" XDG_DATA_HOME= XDG_CONFIG_HOME= SDL_AUDIODRIVER=dummy \
    ZANDOR_SCRIPT="$run/script.txt" ZANDOR_FIXED_STEP_MS=10 ZANDOR_SHOT_DIR="$run/shots" \
    timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" ./zandor > "$run/stdout" 2>&1) || rc=$?
if [ "$rc" -eq 124 ] || [ "$rc" -ge 128 ]; then
  echo "zandor did not end by itself (exit $rc):"; cat "$run/stdout"; exit 1
fi
log="$run/home/.local/share/Taglum Games/Zandor/Log.txt"
[ -f "$log" ] || { echo "no Log.txt"; cat "$run/stdout"; exit 1; }
for want in "Testing Device : '" "Logging Device Capabilities :"; do
  grep -qF -- "$want" "$log" || { echo "Log.txt lacks: $want"; cat "$log"; exit 1; }
done

PYTHONPATH="$(dirname "$0")" python3 - "$run/shots" <<'EOF' || { echo "--- stdout:"; cat "$run/stdout"; exit 1; }
import os, struct, sys, zlib

from pngread import read_png

def near(px, want, tol=8):
    return all(abs(a - b) <= tol for a, b in zip(px, want))

shots = sys.argv[1]
names = sorted(n for n in os.listdir(shots) if n.endswith('.png'))
if len(names) < 4:
    sys.exit('expected 6 screenshots, found %d: %s' % (len(names), names))
kinds = []
for name in names:
    w, h, pixel = read_png(os.path.join(shots, name))
    if (w, h) != (800, 600):
        sys.exit('%s: %dx%d, expected the 800x600 back buffer' % (name, w, h))
    samples = [pixel(int(w * (i + 0.5) / 8), int(h * (j + 0.5) / 6)) for i in range(8) for j in range(6)]
    magenta = sum(near(s, (255, 0, 255)) for s in samples)
    yellow = sum(near(s, (255, 255, 0)) for s in samples)
    kind = 'magenta' if magenta * 2 > len(samples) else 'yellow' if yellow * 2 > len(samples) else 'other'
    print('%s: %s (magenta %d, yellow %d of %d samples; first %s)' % (name, kind, magenta, yellow, len(samples), samples[0]))
    kinds.append(kind)
if 'magenta' not in kinds or 'yellow' not in kinds:
    sys.exit('the background did not flash magenta and yellow: %s' % kinds)
EOF
echo "gl frames e2e: ok"
