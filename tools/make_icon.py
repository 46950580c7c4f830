#!/usr/bin/env python3
"""Draws Kinoreel's icon, a film reel with a strip of film running off it, into an .ico with
five images: 16, 24, 32 and 48 px as 32-bit BGRA with alpha, and 256 px stored as PNG.

Small images are not scaled-down large ones: below 32 px the reel has three big windows and no
film strip, and every line is at least about a pixel wide, so the shape stays readable."""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
SAMPLES = 4  # supersampling per axis, for smooth edges

INK = (38, 44, 58)         # rim, hub, film
BODY = (222, 96, 44)       # the reel's warm orange
BODY_LIGHT = (246, 158, 72)
FILM_FRAME = (126, 184, 226)


class Design:
    """The shapes for one image size, in units of the image's side (0..1)."""

    def __init__(self, size):
        px = 1.0 / size
        self.strip = size >= 32
        # With the strip the reel moves up and left to make room for it.
        self.cx, self.cy = (0.42, 0.41) if self.strip else (0.5, 0.5)
        self.radius = 0.395 if self.strip else 0.475
        self.rim = max(0.045, 1.1 * px)
        self.windows = 5 if size >= 32 else 3
        self.window_radius = (0.105 if self.windows == 5 else 0.14) * self.radius / 0.44
        self.window_distance = 0.255 * self.radius / 0.44
        self.hub = max(0.07, 1.6 * px) * self.radius / 0.44
        self.spindle_ring = 0.035 if size >= 48 else 0.0
        self.px = px

    def colour(self, x, y):
        """(r, g, b) at a point, or None where the icon is transparent."""
        dx, dy = x - self.cx, y - self.cy
        r = math.hypot(dx, dy)
        if r <= self.radius:
            return self.reel(dx, dy, r)
        if self.strip:
            return self.film(x, y)
        return None

    def reel(self, dx, dy, r):
        if r > self.radius - self.rim or r < self.hub:
            return INK
        if r < self.hub + self.spindle_ring:
            return None  # the ring of the spindle hole shows through
        for k in range(self.windows):
            a = -math.pi / 2 + k * 2 * math.pi / self.windows
            wx, wy = self.window_distance * math.cos(a), self.window_distance * math.sin(a)
            if math.hypot(dx - wx, dy - wy) < self.window_radius:
                return None
        # Lit from the top left.
        t = max(0.0, min(1.0, 0.5 - (dx + dy) / (2 * self.radius)))
        return tuple(round(b + (l - b) * t * 0.6) for b, l in zip(BODY, BODY_LIGHT))

    def film(self, x, y):
        """A strip of film leaving the reel to the right along its bottom, with sprocket holes."""
        bottom = min(self.cy + self.radius + 0.16, 0.985)
        top = bottom - 0.27
        if not (top <= y <= bottom and self.cx <= x <= 0.985):
            return None
        height = bottom - top
        edge = height * 0.24
        pitch = height * 0.62
        if y < top + edge or y > bottom - edge:  # sprocket rows
            u = (x - self.cx) % pitch
            return None if 0.3 * pitch < u < 0.7 * pitch and (top + 0.35 * edge < y < top + 0.75 * edge or
                                                              bottom - 0.75 * edge < y < bottom - 0.35 * edge) else INK
        # Picture frames between the sprocket rows.
        u = (x - self.cx) % (height * 1.0)
        return FILM_FRAME if 0.08 * height < u < 0.92 * height and top + edge + self.px < y < bottom - edge - self.px else INK


def render(size):
    design = Design(size)
    pixels = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = design.colour((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        covered += 1
                        for i in range(3):
                            acc[i] += c[i]
            if covered:  # straight (not premultiplied) colour, as icons store it
                row.append(tuple(round(a / covered) for a in acc) + (round(255 * covered / n),))
            else:
                row.append((0, 0, 0, 0))
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
