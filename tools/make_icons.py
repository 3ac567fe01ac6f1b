#!/usr/bin/env python3
"""Draws Tilefox's own icons and the icon files the tests need, as 16-colour .ico files
(the format every Windows 9x shell reads).

  make_icons.py app OUTDIR                 program icons: sheet, changed, undo, copy, paste
  make_icons.py ico PATH [SEED]            one .ico with one distinct 32x32 image
  make_icons.py lib OUTDIR NAME COUNT      COUNT distinct .ico files and NAME.rc listing them
  make_icons.py classic PATH               a flat 16-colour .ico, 32x32 and 16x16
  make_icons.py png PATH                   an .ico of the later kind: one 256x256 PNG image
  make_icons.py mixed PATH                 16-colour 32x32 and 16x16 images and a 256x256 PNG
  make_icons.py pnglib OUTDIR NAME         NAME.rc with three icons: 16-colour, PNG, mixed
"""
import os
import struct
import sys
import zlib

TRANSPARENT = -1


def png_bytes(size, rgba):
    # One flat colour compresses to a few hundred bytes even at 256x256.
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\0' + bytes(rgba) * size for _ in range(size))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def ico_bytes(images, pngs=()):
    """images: list of (size, pixels) where pixels[y][x] is a palette index or TRANSPARENT;
    pngs: (size, PNG bytes) images that follow them."""
    palette = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
               (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    blobs = []
    for size, px in images:
        xor_stride = ((size * 4 + 31) // 32) * 4
        and_stride = ((size + 31) // 32) * 4
        xor = bytearray()
        mask = bytearray()
        for y in reversed(range(size)):
            row = bytearray(xor_stride)
            mrow = bytearray(and_stride)
            for x in range(size):
                v = px[y][x]
                if v == TRANSPARENT:
                    mrow[x // 8] |= 0x80 >> (x % 8)
                    v = 0
                row[x // 2] |= (v << 4) if x % 2 == 0 else v
            xor += row
            mask += mrow
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
        pal = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
        blobs.append((size, 4, header + pal + bytes(xor) + bytes(mask)))
    blobs += [(size, 32, png) for size, png in pngs]
    out = bytearray(struct.pack('<HHH', 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for size, bits, blob in blobs:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 16 if bits == 4 else 0, 0, 1, bits, len(blob),
                           offset)
        offset += len(blob)
    for _, _, blob in blobs:
        out += blob
    return bytes(out)


def canvas(size):
    return [[TRANSPARENT] * size for _ in range(size)]


def rect(px, x0, y0, x1, y1, colour, outline=None):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            edge = x in (x0, x1) or y in (y0, y1)
            px[y][x] = outline if (edge and outline is not None) else colour


def sheet(size):
    # Nine tiles in the fox's colours.
    px = canvas(size)
    cell = size // 3
    colours = [9, 11, 9, 11, 9, 11, 9, 11, 9]
    for i, c in enumerate(colours):
        x0, y0 = (i % 3) * cell, (i // 3) * cell
        rect(px, x0, y0, x0 + cell - 1, y0 + cell - 1, c if i != 4 else 15, 1)
    return px


def changed(size):
    # A red diamond: the row was changed and waits for Apply.
    px = canvas(size)
    mid = size // 2
    for y in range(size):
        for x in range(size):
            d = abs(x - mid + 0.5) + abs(y - mid + 0.5)
            if d <= mid - 1:
                px[y][x] = 9 if d < mid - 2 else 1
    return px


def undo(size):
    px = canvas(size)
    for x in range(3, 13):
        px[4][x] = 4
        px[5][x] = 4
    for y in range(4, 12):
        px[y][12] = 4
        px[y][11] = 4
    for x in range(4, 13):
        px[11][x] = 4
    for d in range(4):
        px[4 - d][3 + d] = 4
        px[5 + d][3 + d] = 4
    return px


def copy(size):
    px = canvas(size)
    rect(px, 1, 1, 9, 11, 15, 0)
    rect(px, 6, 4, 14, 14, 15, 0)
    return px


def paste(size):
    px = canvas(size)
    rect(px, 2, 2, 13, 14, 3, 0)
    rect(px, 5, 1, 10, 3, 7, 0)
    rect(px, 6, 6, 12, 13, 15, 0)
    return px


def numbered(seed, size=32):
    # Every seed gives a different picture: a coloured field with the seed in binary on top.
    px = canvas(size)
    rect(px, 0, 0, size - 1, size - 1, (seed % 14) + 1, 0)
    for bit in range(12):
        on = (seed >> bit) & 1
        x = 2 + (bit % 6) * 5
        y = 2 + (bit // 6) * 5
        rect(px, x, y, x + 3, y + 3, 15 if on else 0)
    return px


def enlarged(px, size):
    # The 16-pixel drawing at a larger small-icon size (120 and 144 DPI), pixel for pixel.
    old = len(px)
    return [[px[y * old // size][x * old // size] for x in range(size)] for y in range(size)]


# The small-icon sizes of 96, 120 and 144 DPI; the first is what Windows 9x loads.
SMALL_SIZES = (16, 20, 24)


def later_ico(kind):
    # Red in the PNG, green in the others, so a test can tell which image was drawn.
    png = [(256, png_bytes(256, (255, 0, 0, 255)))]
    if kind == 'png':
        return ico_bytes([], png)
    classic = []
    for size in (32, 16):
        px = canvas(size)
        rect(px, 0, 0, size - 1, size - 1, 10)
        classic.append((size, px))
    return ico_bytes(classic, png if kind == 'mixed' else ())


def main(argv):
    kind = argv[1]
    if kind == 'app':
        out = argv[2]
        os.makedirs(out, exist_ok=True)
        files = {'sheet.ico': [(32, sheet(32)), (16, sheet(16))],
                 'changed.ico': [(n, changed(n)) for n in SMALL_SIZES],
                 'undo.ico': [(n, enlarged(undo(16), n)) for n in SMALL_SIZES],
                 'copy.ico': [(n, enlarged(copy(16), n)) for n in SMALL_SIZES],
                 'paste.ico': [(n, enlarged(paste(16), n)) for n in SMALL_SIZES]}
        for name, images in files.items():
            with open(os.path.join(out, name), 'wb') as f:
                f.write(ico_bytes(images))
    elif kind == 'ico':
        seed = int(argv[3]) if len(argv) > 3 else 7
        with open(argv[2], 'wb') as f:
            f.write(ico_bytes([(32, numbered(seed))]))
    elif kind == 'lib':
        out, name, count = argv[2], argv[3], int(argv[4])
        os.makedirs(out, exist_ok=True)
        lines = []
        for i in range(count):
            ico = '%s_%d.ico' % (name, i)
            with open(os.path.join(out, ico), 'wb') as f:
                f.write(ico_bytes([(32, numbered(i + 1))]))
            lines.append('%d ICON "%s"' % (i + 1, ico))
        with open(os.path.join(out, name + '.rc'), 'w') as f:
            f.write('\n'.join(lines) + '\n')
    elif kind in ('classic', 'png', 'mixed'):
        with open(argv[2], 'wb') as f:
            f.write(later_ico(kind))
    elif kind == 'pnglib':
        out, name = argv[2], argv[3]
        os.makedirs(out, exist_ok=True)
        lines = []
        for i, icon in enumerate(['classic', 'png', 'mixed']):
            ico = '%s_%s.ico' % (name, icon)
            with open(os.path.join(out, ico), 'wb') as f:
                f.write(later_ico(icon))
            lines.append('%d ICON "%s"' % (i + 1, ico))
        with open(os.path.join(out, name + '.rc'), 'w') as f:
            f.write('\n'.join(lines) + '\n')
    else:
        sys.exit('unknown kind ' + kind)


if __name__ == '__main__':
    main(sys.argv)
