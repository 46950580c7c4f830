#!/usr/bin/env python3
"""Draws Kinoreel's icon, a film reel, into an .ico with five images:
16, 24, 32 and 48 px as 32-bit BGRA with alpha, and 256 px stored as PNG."""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
SAMPLES = 4  # supersampling per axis, for smooth edges


def reel_colour(x, y):
    """Colour (r, g, b, a) of the reel at a point of the unit square, or None outside it."""
    cx, cy = x - 0.5, y - 0.5
    r = math.hypot(cx, cy)
    if r > 0.48:
        return None
    if r > 0.44:
        return (40, 48, 64, 255)  # rim
    if r < 0.07:
        return (40, 48, 64, 255)  # hub
    if r < 0.11:
        return None  # the spindle hole
    # five round windows between hub and rim
    angle = math.atan2(cy, cx)
    for k in range(5):
        a = -math.pi / 2 + k * 2 * math.pi / 5
        wx, wy = 0.26 * math.cos(a), 0.26 * math.sin(a)
        if math.hypot(cx - wx, cy - wy) < 0.105:
            return None
    shade = int(40 * (0.5 + 0.5 * math.sin(angle * 2)))
    return (214 - shade // 2, 84 + shade, 48, 255)  # warm reel body


def render(size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = reel_colour((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        for i in range(3):
                            acc[i] += c[i] * c[3] / 255.0
                        acc[3] += c[3]
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            if a > 0:
                rgb = [min(255, int(round(acc[i] / (acc[3] / 255.0)))) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], int(round(a))))
        pixels.append(row)
    return pixels


def png_bytes(pixels):
    size = len(pixels)
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_mask += bits
    return header + xor + bytes(and_mask)


def main(out_path):
    images = []
    for size in SIZES:
        pixels = render(size)
        images.append((size, png_bytes(pixels) if size == 256 else dib_bytes(pixels)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(out_path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
