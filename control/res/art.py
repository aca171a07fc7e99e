#!/usr/bin/env python3
"""Draws the control's bitmaps and icons from the pixel patterns below.

usage: art.py OUTDIR
Writes toolbox.bmp (16x15), toolbar.bmp (48x15: the View and Scan buttons),
tarnwick.ico (32x32 and 16x16), and the 16x16 list icons unknown.ico and
unknown_open.ico (groups without a name) and none.ico (nothing found).
"""
import struct
import sys
from pathlib import Path

# The 16 colours of the standard VGA palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Pattern letters: palette index; '.' is the background (silver for bitmaps, transparent for icons).
KEYS = {'.': 7, 'k': 0, 'b': 4, 'B': 12, 'g': 8, 'w': 15, 'y': 11, 't': 6, 'r': 9}

NOTE = [
    "................",
    "........bbbbbbb.",
    "........bBBBBBb.",
    "........bb...bb.",
    "........b.....b.",
    "........b.....b.",
    "........b.....b.",
    "........b.....b.",
    "........b.....b.",
    "....bbbbb.bbbbb.",
    "...bBBBBbbBBBBb.",
    "...bBBBBbbBBBBb.",
    "....bbbb..bbbb..",
    "................",
    "................",
    "................",
]
UNKNOWN = [  # a folder with a question mark
    "................",
    "................",
    ".kkkkk..........",
    ".kyyyyk.........",
    ".kyyyyykkkkkkkk.",
    ".kyyyyyybbbyyyk.",
    ".kwwwwwbwwwbwwk.",
    ".kyyyyyyyyybyyk.",
    ".kyyyyyyyybyyyk.",
    ".kyyyyyyybyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyybyyyyk.",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
    "................",
]
UNKNOWN_OPEN = [  # the same folder, open
    "................",
    "................",
    ".kkkkk..........",
    ".kyyyyk.........",
    ".kyyyyykkkkkkkk.",
    ".kyyyyyybbbyyyk.",
    ".kyyykkbkkkbkkkk",
    ".kyykwwwwwwbwwwk",
    ".kykwwwwwwbwwwk.",
    ".kykwwwwwbwwwwk.",
    ".kkwwwwwwwwwwk..",
    ".kkwwwwwwbwwwk..",
    ".kkkkkkkkkkkkk..",
    "................",
    "................",
    "................",
]
NONE = [
    "................",
    "....rrrrrrrr....",
    "...rr......rr...",
    "..rr......rrr...",
    ".rr......rr.rr..",
    ".r......rr...r..",
    ".r.....rr....r..",
    ".r....rr.....r..",
    ".r...rr......r..",
    ".r..rr.......r..",
    ".rrrr.......rr..",
    "..rr.......rr...",
    "...rr....rrr....",
    "....rrrrrr......",
    "................",
    "................",
]
VIEW = [  # 24x15: a list with an eye-catching bar
    "........................",
    "...kkkkkkkkkkkkkkkkkk...",
    "...kwwwwwwwwwwwwwwwwk...",
    "...kwbbbwggggggggggwk...",
    "...kwwwwwwwwwwwwwwwwk...",
    "...kwbbbwggggggggggwk...",
    "...kwwwwwwwwwwwwwwwwk...",
    "...kwBBBwttttttttttwk...",
    "...kwwwwwwwwwwwwwwwwk...",
    "...kwbbbwggggggggggwk...",
    "...kwwwwwwwwwwwwwwwwk...",
    "...kwbbbwggggggggggwk...",
    "...kwwwwwwwwwwwwwwwwk...",
    "...kkkkkkkkkkkkkkkkkk...",
    "........................",
]
SCAN = [  # 24x15: a magnifying glass
    "........................",
    "........kkkkk...........",
    "......kkwwwwwkk.........",
    ".....kwwBwwwwwwk........",
    ".....kwBwwwwwwwk........",
    "....kwwBwwwwwwwwk.......",
    "....kwwwwwwwwwwwk.......",
    "....kwwwwwwwwwwwk.......",
    ".....kwwwwwwwwwk........",
    ".....kwwwwwwwwwk........",
    "......kkwwwwwkkkk.......",
    "........kkkkk..kkk......",
    "................kkk.....",
    ".................kkk....",
    "..................k.....",
]


def indices(pattern, width, height):
    rows = [row.ljust(width, '.')[:width] for row in pattern[:height]]
    rows += ['.' * width] * (height - len(rows))
    return [[KEYS[ch] for ch in row] for row in rows]


def scale(pattern, factor):
    return [''.join(ch * factor for ch in row) for row in pattern for _ in range(factor)]


def dib(pix, width, height, bpp=4, mask_from=None):
    """BITMAPINFOHEADER, palette and bottom-up pixels; icons add an AND mask
    that lets the background pixels of mask_from show through."""
    colours = 1 << bpp
    stride = ((width * bpp + 31) // 32) * 4
    bits = b''
    for row in reversed(pix):
        line = bytearray(stride)
        for x, value in enumerate(row):
            if bpp == 4:
                line[x // 2] |= value << (4 if x % 2 == 0 else 0)
            else:
                line[x] = value
        bits += bytes(line)
    mask = b''
    if mask_from:
        mstride = ((width + 31) // 32) * 4
        for row in reversed(mask_from):
            line = bytearray(mstride)
            for x, value in enumerate(row):
                if value == KEYS['.']:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(line)
    rows = height * 2 if mask_from else height
    header = struct.pack('<IiiHHIIiiII', 40, width, rows, 1, bpp, 0, len(bits) + len(mask), 0, 0, colours, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE + [(0, 0, 0)] * (colours - 16))
    return header + palette + bits + mask


def write_bmp(path, pix, width, height):
    data = dib(pix, width, height)
    path.write_bytes(b'BM' + struct.pack('<IHHI', 14 + len(data), 0, 0, 14 + 40 + 64) + data)


def write_ico(path, images, bpp=4):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for pattern, size in images:
        pix = indices(pattern, size, size)
        colour = [[0 if v == KEYS['.'] else v for v in row] for row in pix]
        blob = dib(colour, size, size, bpp, mask_from=pix)
        entries.append(struct.pack('<BBBBHHII', size, size, 16 if bpp == 4 else 0, 0, 1, bpp, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    path.write_bytes(struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs))


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    write_bmp(out / 'toolbox.bmp', indices(NOTE, 16, 15), 16, 15)
    strip = [a + b for a, b in zip(indices(VIEW, 24, 15), indices(SCAN, 24, 15))]
    write_bmp(out / 'toolbar.bmp', strip, 48, 15)
    write_ico(out / 'tarnwick.ico', [(scale(NOTE, 2), 32), (NOTE, 16)])
    write_ico(out / 'unknown.ico', [(UNKNOWN, 16)], bpp=8)
    write_ico(out / 'unknown_open.ico', [(UNKNOWN_OPEN, 16)], bpp=8)
    write_ico(out / 'none.ico', [(NONE, 16)])


if __name__ == '__main__':
    main()
