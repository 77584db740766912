#!/usr/bin/env bash
# Scene objects on the GL device: spinning blocks on board tiles, loaded from build/Zandor.lmo and
# drawn through the object pass. Checks that the blocks' colours show and that they turned
# between the two frames. Screens land in build/screens/scene_*.png.
set -euo pipefail
build=$(cd "$1" && pwd)
tool="$build/tools/scenedemo/scenedemo"
[ -x "$tool" ] || { echo "no scenedemo program at $tool"; exit 1; }
mkdir -p "$build/screens"
rm -f "$build"/screens/scene_*.png
home=$(mktemp -d /tmp/zandor-e2e-scene.XXXX)
trap 'rm -rf "$home"' EXIT
env HOME="$home" SDL_AUDIODRIVER=dummy timeout 100 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$tool" "$build" "$build/screens/scene"
python3 - "$build/screens/scene_3.png" "$build/screens/scene_11.png" <<'PY'
import struct, sys, zlib
def load(path):
    data = open(path, 'rb').read()
    pos, chunks, w = 8, b'', 0
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b'IHDR': w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
        if kind == b'IDAT': chunks += body
        pos += 12 + n
    bpp = {2: 3, 6: 4}[ctype]
    raw, rows, prev = zlib.decompress(chunks), [], bytearray(w * bpp)
    for y in range(h):
        f, line = raw[y * (w * bpp + 1)], bytearray(raw[y * (w * bpp + 1) + 1:(y + 1) * (w * bpp + 1)])
        for i in range(len(line)):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line); prev = line
    return w, h, bpp, rows
def stats(path):
    w, h, bpp, rows = load(path)
    red = green = blue = lit = 0
    for row in rows[::4]:
        for x in range(0, w * bpp, bpp * 4):
            r, g, b = row[x], row[x + 1], row[x + 2]
            if r + g + b > 60: lit += 1
            if r > 120 and g < 80 and b < 80: red += 1
            if g > 120 and r < 100 and b < 100: green += 1
            if b > 120 and r < 100 and g < 120: blue += 1
    return lit, red, green, blue, rows
a, b = stats(sys.argv[1]), stats(sys.argv[2])
print('lit/red/green/blue samples:', a[:4], b[:4])
if min(a[0], b[0]) < 1000: sys.exit('the board and blocks do not show')
if min(a[1], a[2], a[3]) < 20: sys.exit('a block colour is missing')
if a[4] == b[4]: sys.exit('the blocks did not move between the frames')
PY
echo "scene demo e2e: ok"
