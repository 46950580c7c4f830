#!/usr/bin/env python3
"""Writes the sample sequence: 24 PNG frames of a bouncing ball, ball0.png … ball23.png."""
import math
import os
import struct
import sys
import zlib

FRAMES = 24
SIZE = 240


def png(path, width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def frame(n):
    t = n / FRAMES
    x = 30 + (SIZE - 60) * t                              # left to right across the sequence
    ground = SIZE - 20
    height = 150 * abs(math.sin(math.pi * 2 * t))         # two bounces
    squash = 1.0 + 0.25 * max(0.0, 1 - height / 25)       # flattened near the ground
    rx, ry = 22 * squash, 22 / squash
    y = ground - ry - height
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            if py >= ground:
                colour = (120, 160, 110)  # grass
            else:
                shade = 255 - py // 4
                colour = (shade - 60, shade - 20, 255)  # sky
            sx, sy = (px - x) / (rx * 1.3), (py - ground) / 5
            if sx * sx + sy * sy < 1:
                colour = tuple(c // 2 for c in colour)  # shadow
            dx, dy = (px - x) / rx, (py - y) / ry
            d = dx * dx + dy * dy
            if d < 1:
                light = max(0.0, 1 - ((dx + 0.4) ** 2 + (dy + 0.4) ** 2)) * 0.6
                colour = (min(255, int(220 + 35 * light)), int(60 + 150 * light), int(40 + 120 * light))
            row += bytes(max(0, min(255, c)) for c in colour)
        rows.append(bytes(row))
    return rows


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for n in range(FRAMES):
        png(os.path.join(folder, "ball%d.png" % n), SIZE, SIZE, frame(n))
    print("sample: %d frames in %s (prefix ball, numbers 0 to %d, type png)" % (FRAMES, folder, FRAMES - 1))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "samples/ball")
