# Draws the program's two icons (32x32 and 16x16, the 16 colours of the standard palette)
# and writes them as arrays of pixels, which the Qt front end compiles in, as .ico for the
# Windows resources, and the program's icon as PNG at the sizes desktops' icon themes look for.
# Usage: tools/draw_icons.py app/resources
PALETTE = {
    '.': None,
    'k': '#000000', 'r': '#800000', 'g': '#008000', 'o': '#808000', 'n': '#000080',
    'p': '#800080', 't': '#008080', 's': '#C0C0C0', 'd': '#808080', 'R': '#FF0000',
    'G': '#00FF00', 'Y': '#FFFF00', 'B': '#0000FF', 'M': '#FF00FF', 'C': '#00FFFF', 'w': '#FFFFFF',
}

def canvas(n): return [['.'] * n for _ in range(n)]
def rect(c, x0, y0, x1, y1, ch):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1): c[y][x] = ch
def frame(c, x0, y0, x1, y1, ch):
    for x in range(x0, x1 + 1): c[y0][x] = c[y1][x] = ch
    for y in range(y0, y1 + 1): c[y][x0] = c[y][x1] = ch
def disc(c, cx, cy, r, ch):
    for y in range(len(c)):
        for x in range(len(c)):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r: c[y][x] = ch

def app_icon(n):
    c = canvas(n)
    s = n / 32
    S = lambda v: int(round(v * s))
    # a registration card: white with a navy title bar and grey lines of text
    rect(c, S(2), S(4), S(27), S(27), 'w'); frame(c, S(2), S(4), S(27), S(27), 'k')
    rect(c, S(3), S(5), S(26), S(9), 'n')
    for y in (13, 17, 21):
        rect(c, S(5), S(y), S(22), S(y) + (1 if n == 32 else 0), 'd')
    # a yellow key across the corner
    disc(c, S(24), S(23), S(5), 'Y'); disc(c, S(24), S(23), S(2), 'o' if n == 16 else 'k')
    disc(c, S(24), S(23), S(1.2), 'w')
    rect(c, S(11), S(22), S(20), S(24), 'Y')
    rect(c, S(12), S(25), S(13), S(27), 'Y'); rect(c, S(15), S(25), S(16), S(26), 'Y')
    # shadow
    for i in range(S(5), S(28) + 1):
        if i < n: c[min(S(28), n - 1)][i] = 'd' if c[min(S(28), n - 1)][i] == '.' else c[min(S(28), n - 1)][i]
    return c

def license_icon(n):
    c = canvas(n)
    s = n / 32
    S = lambda v: int(round(v * s))
    # a page of text with a red seal and ribbon
    rect(c, S(5), S(2), S(26), S(29), 'w'); frame(c, S(5), S(2), S(26), S(29), 'k')
    rect(c, S(6), S(3), S(25), S(5), 's')
    for y in (8, 11, 14, 17):
        rect(c, S(8), S(y), S(23), S(y), 'n')
    rect(c, S(8), S(20), S(15), S(20), 'n')
    disc(c, S(21), S(23), S(4.5), 'R'); disc(c, S(21), S(23), S(2.5), 'r')
    rect(c, S(18), S(27), S(19), S(30), 'R'); rect(c, S(23), S(27), S(24), S(30), 'R')
    return c

def pixels(name, c):
    """A C++ array of the canvas's pixels, row by row, each 0xAARRGGBB: the layout of
    QImage's premultiplied ARGB32, which empty pixels (all zero) and opaque ones share, so
    that Qt shows them as they are, with nothing to decode at start-up."""
    values = [0 if ch == '.' else 0xFF000000 | int(PALETTE[ch][1:], 16) for row in c for ch in row]
    lines = [f'// The {len(c)}x{len(c)} pixels of {name}, drawn by tools/draw_icons.py.',
             f'constexpr std::uint32_t {name}[] = {{']
    for i in range(0, len(values), 6):
        lines.append('    ' + ' '.join(f'0x{v:08X},' for v in values[i:i + 6]))
    lines.append('};')
    return '\n'.join(lines) + '\n'

def ico(images):
    """An .ico with one 4-bit image per canvas, palette in the standard order."""
    import struct
    order = [c for c in PALETTE if c != '.']
    palette = b''.join(bytes([int(PALETTE[c][5:7], 16), int(PALETTE[c][3:5], 16),
                              int(PALETTE[c][1:3], 16), 0]) for c in order)
    blobs = []
    for c in images:
        n = len(c)
        xor = b''
        for row in reversed(c):  # bitmaps are stored bottom-up
            line = bytearray()
            for x in range(0, n, 2):
                hi = order.index(row[x]) if row[x] != '.' else 0
                lo = order.index(row[x + 1]) if row[x + 1] != '.' else 0
                line.append(hi << 4 | lo)
            xor += bytes(line) + b'\0' * (-len(line) % 4)
        mask = b''
        for row in reversed(c):
            bits = bytearray((n + 7) // 8)
            for x, ch in enumerate(row):
                if ch == '.':
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits) + b'\0' * (-len(bits) % 4)
        header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
        blobs.append((n, header + palette + xor + mask))
    out = struct.pack('<HHH', 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for n, blob in blobs:
        out += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b''.join(blob for _, blob in blobs)

def png(c):
    """A PNG with an alpha channel, transparent where the canvas is empty."""
    import struct, zlib
    rows = b''
    for row in c:
        rows += b'\0' + b''.join(bytes([int(PALETTE[ch][1:3], 16), int(PALETTE[ch][3:5], 16),
                                         int(PALETTE[ch][5:7], 16), 255])
                                  if ch != '.' else b'\0\0\0\0' for ch in row)
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    header = struct.pack('>IIBBBBB', len(c), len(c), 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))

PNG_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

import os, sys
out = sys.argv[1]
os.makedirs(f'{out}/hicolor', exist_ok=True)
for n in PNG_SIZES:
    open(f'{out}/hicolor/vantrel-edit-98-{n}.png', 'wb').write(png(app_icon(n)))
for base, draw in (('vantrel', app_icon), ('license', license_icon)):
    for n in (32, 16):
        open(f'{out}/{base}-{n}.pixels.h', 'w').write(pixels(f'{base}_{n}', draw(n)))
    open(f'{out}/{base}.ico', 'wb').write(ico([draw(32), draw(16)]))
