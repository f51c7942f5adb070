#!/usr/bin/env python3
"""Draws the launcher's icon "MainIcon": a blue rounded square holding a white
arrow that points down into a tray. Writes a .ico with 16, 32 and 48 pixel
images (32-bit BGRA with an AND mask). Run once; the result is committed."""
import struct
import sys


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


def image(size):
    rows = []
    mask_rows = []
    for y in reversed(range(size)):
        row = b""
        bits = 0
        mask = bytearray()
        for x in range(size):
            p = pixel(size, x, y)
            if p is None:
                row += bytes((0, 0, 0, 0))
                bits |= 1 << (7 - x % 8)
            else:
                row += bytes(p)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        while len(mask) % 4:
            mask.append(0)
        rows.append(row)
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


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
