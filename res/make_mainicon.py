#!/usr/bin/env python3
"""Draws the application icon MAINICON and writes res/MAINICON.ico and res/png/*.png.

The picture is a program window whose client area holds the sixteen colours of the
icons the program saves. Every size is drawn afresh (4 x 4 samples a pixel), not scaled
from one master, so small sizes stay sharp. Python 3 standard library only.
"""

import os
import struct
import zlib

SIZES = (16, 24, 32, 48, 64, 72, 96, 128)
SAMPLES = 4

PALETTE = (
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
)
OUTLINE = (0x24, 0x33, 0x4F)
TITLE = (0x2F, 0x6F, 0xD0)
BODY = (0xF4, 0xF4, 0xF4)


def inside_rounded(x, y, left, top, right, bottom, radius):
    """Whether (x, y) lies inside the rectangle with rounded corners."""
    if x < left or x >= right or y < top or y >= bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def sample(x, y, size):
    """The colour (r, g, b) at a point of the unit square, or None where it is clear."""
    edge = max(1.0, size / 24) / size  # the outline stays at least one pixel wide
    left, top, right, bottom, radius = 0.04, 0.08, 0.96, 0.92, 0.10
    if not inside_rounded(x, y, left, top, right, bottom, radius):
        return None
    if not inside_rounded(x, y, left + edge, top + edge, right - edge, bottom - edge,
                          max(radius - edge, 0.0)):
        return OUTLINE
    bar = top + 0.20
    if y < bar:
        dots = right - edge - 0.07
        if abs(y - (top + bar) / 2) < 0.035 and dots - 0.06 < x < dots:
            return BODY
        return TITLE
    if y < bar + edge:
        return OUTLINE
    # The sixteen colours in a 4 x 4 grid, each cell framed by the outline colour.
    gl, gt, gr, gb = left + 0.12, bar + 0.09, right - 0.12, bottom - 0.09
    if gl <= x < gr and gt <= y < gb:
        col = min(int((x - gl) / (gr - gl) * 4), 3)
        row = min(int((y - gt) / (gb - gt) * 4), 3)
        fx = (x - gl) / (gr - gl) * 4 - col
        fy = (y - gt) / (gb - gt) * 4 - row
        gap = 0.5 / (size * (gr - gl) / 4)
        if fx < gap or fx > 1 - gap or fy < gap or fy > 1 - gap:
            return OUTLINE
        c = PALETTE[row * 4 + col]
        return (c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF)
    return BODY


def draw(size):
    """Rows of (r, g, b, a) pixels, top row first, alpha from the covered samples."""
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = sample((px + (sx + 0.5) / SAMPLES) / size,
                               (py + (sy + 0.5) / SAMPLES) / size, size)
                    if c is not None:
                        r, g, b, hits = r + c[0], g + c[1], b + c[2], hits + 1
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / hits), round(g / hits), round(b / hits),
                            round(255 * hits / n)))
        rows.append(row)
    return rows


def bmp_image(rows):
    """One 32-bit icon image: header, BGRA rows bottom first, then the AND mask."""
    size = len(rows)
    mask_stride = (size + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def ico_file(images):
    """An .ico file holding the given (size, image bytes) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def png_file(rows):
    """An 8-bit RGBA PNG of the rows."""
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    os.makedirs(os.path.join(here, "png"), exist_ok=True)
    images = []
    for size in SIZES:
        rows = draw(size)
        images.append((size, bmp_image(rows)))
        with open(os.path.join(here, "png", f"exeicon-{size}.png"), "wb") as f:
            f.write(png_file(rows))
    with open(os.path.join(here, "MAINICON.ico"), "wb") as f:
        f.write(ico_file(images))


if __name__ == "__main__":
    main()
