#!/usr/bin/env python3
"""Draws the program's icon: a blue rounded square with a white arrow pointing
down into a tray, at 16 x 16 and 32 x 32, and writes it as a .ico file
(32-bit BGRA images with an AND mask, the layout every Windows version reads).
Usage: make_icon.py OUT.ico"""
import struct
import sys


def pixel(x, y, n):
    """Colour (b, g, r, a) of pixel (x, y) of an n x n image, y from the top."""
    u, v = (x + 0.5) / n, (y + 0.5) / n  # 0..1
    # Rounded square with a corner radius of 0.2.
    r = 0.2
    dx = max(0.0, abs(u - 0.5) - (0.5 - r) + 0.02)
    dy = max(0.0, abs(v - 0.5) - (0.5 - r) + 0.02)
    if dx * dx + dy * dy > r * r:
        return (0, 0, 0, 0)
    white = (255, 255, 255, 255)
    # Arrow: shaft and head, pointing down.
    if 0.42 <= u <= 0.58 and 0.16 <= v <= 0.52:
        return white
    if 0.48 <= v <= 0.72 and abs(u - 0.5) <= (0.72 - v) * 1.1:
        return white
    # Tray under the arrow.
    if 0.78 <= v <= 0.86 and 0.2 <= u <= 0.8:
        return white
    if 0.66 <= v <= 0.86 and (0.2 <= u <= 0.28 or 0.72 <= u <= 0.8):
        return white
    # Blue body, a little lighter towards the top.
    shade = int(40 * (1 - v))
    return (200 + shade // 2, 110 + shade, 20 + shade // 2, 255)


def image(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y, n)) for x in range(n)))
    xor = b"".join(rows)
    mask_stride = ((n + 31) // 32) * 4
    mask = b""
    for y in range(n - 1, -1, -1):
        bits = 0
        row = bytearray(mask_stride)
        for x in range(n):
            if pixel(x, y, n)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main():
    sizes = [16, 32]
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
