"""Reading the game's screenshots in the end-to-end checks, with the standard library only."""
import struct
import zlib


def read_png(path):
    """A small PNG reader (8-bit RGB/RGBA/grey, not interlaced) over the standard library."""
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG')
    pos, idat, w, h, ct = 8, b'', 0, 0, 0
    while pos + 8 <= len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b'IHDR':
            w, h, depth, ct, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if depth != 8 or interlace != 0:
                raise ValueError('unsupported PNG layout')
        elif kind == b'IDAT':
            idat += body
        elif kind == b'IEND':
            break
    ch = {0: 1, 2: 3, 4: 2, 6: 4}[ct]
    raw, stride = zlib.decompress(idat), w * ch
    rows, prev, p = [], bytearray(stride), 0
    for _ in range(h):
        f, line = raw[p], bytearray(raw[p + 1:p + 1 + stride])
        p += 1 + stride
        for i in range(stride):
            a = line[i - ch] if i >= ch else 0
            b = prev[i]
            c = prev[i - ch] if i >= ch else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif f == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    def pixel(x, y):
        r = rows[y][x * ch:x * ch + ch]
        return tuple(r[:3]) if ch >= 3 else (r[0],) * 3
    return w, h, pixel
