#!/usr/bin/env python3
"""Draws the launcher's icon "MainIcon": a blue rounded square holding a white
arrow that points down into a tray. Writes a .ico with 16, 32 and 48 pixel
images, each stored as a PNG frame (RGBA, 8 bits per channel), which Windows
Vista and later and Wine read; PNG frames are a fraction of the size of
uncompressed bitmaps, and the icon ends up inside every installer. Uses only
the standard library. Run once; the result is committed."""
import struct
import sys
import zlib


def pixel(size, x, y):
    s = size / 32.0
    fx, fy = (x + 0.5) / s, (y + 0.5) / s  # position on a 32-unit grid
    # Rounded square from 1 to 31 with corner radius 6.
    r = 6.0
    cx = min(max(fx, 1 + r), 31 - r)
    cy = min(max(fy, 1 + r), 31 - r)
    if (fx - cx) ** 2 + (fy - cy) ** 2 > r * r or not (1 <= fx <= 31 and 1 <= fy <= 31):
        return None
    # Arrow: shaft and head.
    shaft = 13.5 <= fx <= 18.5 and 5 <= fy <= 15
    head = fy >= 14 and fy <= 22 and abs(fx - 16) <= (22 - fy) * 1.0
    # Tray: a U below the arrow.
    tray = (23.5 <= fy <= 26.5 and 7 <= fx <= 25) or (19 <= fy <= 26.5 and (7 <= fx <= 10 or 22 <= fx <= 25))
    if shaft or head or tray:
        return (255, 255, 255, 255)
    shade = int(40 * fy / 32)
    return (200 - shade, 110 - shade // 2, 20, 255)  # BGRA: a deep blue


def rgba_rows(size):
    """Top-down rows of RGBA bytes; outside the rounded square is transparent."""
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            p = pixel(size, x, y)
            if p is None:
                row += bytes((0, 0, 0, 0))
            else:
                b, g, r, a = p
                row += bytes((r, g, b, a))
        rows.append(bytes(row))
    return rows


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev, bpp=4):
    """One scanline under PNG filter type KIND (0 None .. 4 Paeth)."""
    out = bytearray((kind,))
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if kind == 0:
            pred = 0
        elif kind == 1:
            pred = a
        elif kind == 2:
            pred = b
        elif kind == 3:
            pred = (a + b) // 2
        else:
            pred = paeth(a, b, c)
        out.append((x - pred) & 0xFF)
    return bytes(out)


def filtered_images(rows):
    """Candidate filtered image data: each filter type for every row, and a
    per-row choice by the usual smallest-sum-of-deltas rule."""
    zero = bytes(len(rows[0]))
    prevs = [zero] + rows[:-1]
    candidates = []
    for kind in range(5):
        candidates.append(b"".join(filter_row(kind, r, p) for r, p in zip(rows, prevs)))
    adaptive = []
    for r, p in zip(rows, prevs):
        options = [filter_row(kind, r, p) for kind in range(5)]
        adaptive.append(min(options, key=lambda o: sum(v if v < 128 else 256 - v for v in o[1:])))
    candidates.append(b"".join(adaptive))
    return candidates


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def image(size):
    """A PNG of SIZE x SIZE pixels, with whichever filtering compresses best."""
    data = min((zlib.compress(c, 9) for c in filtered_images(rgba_rows(size))), key=len)
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA, no interlace
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
