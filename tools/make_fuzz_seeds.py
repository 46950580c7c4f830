#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora (fuzz/corpus/<target>/): small real headers, images, number
texts and folder listings. Run once by hand; the files are kept in the repo."""
import os
import struct
import sys
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(w, h, colour, depth=8, interlaced=False, extra=b"", sample=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    sample = sample or (lambda x, y, c: (x * 40 + y * 30 + c * 70) % (1 << depth))
    passes = ([(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
              if interlaced else [(0, 0, 1, 1)])
    raw = bytearray()
    for x0, y0, dx, dy in passes:
        if x0 >= w:
            continue
        for y in range(y0, h, dy):
            bits = "".join(format(sample(x, y, c), "0%db" % depth) for x in range(x0, w, dx) for c in range(channels))
            bits += "0" * (-len(bits) % 8)
            raw += bytes([y % 5]) if depth == 8 else b"\0"  # every filter type, on 8-bit rows
            raw += int(bits, 2).to_bytes(len(bits) // 8, "big") if bits else b""
    head = struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, int(interlaced))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + extra + chunk(b"IDAT", zlib.compress(bytes(raw)))
            + chunk(b"IEND", b""))


def utf16(text):
    return text.encode("utf-16-le")


def main(root):
    palette = chunk(b"PLTE", bytes(range(30, 30 + 12))) + chunk(b"tRNS", b"\xff\x80\x00")
    pngs = {
        "rgb.png": png(5, 3, 2),
        "rgba-interlaced.png": png(9, 10, 6, interlaced=True),
        "palette-trns.png": png(6, 4, 3, extra=palette, sample=lambda x, y, c: (x + y) % 4),
        "grey-1bit-interlaced.png": png(11, 7, 0, depth=1, interlaced=True),
        "grey-alpha.png": png(4, 4, 4),
        "gamma-usual.png": png(3, 3, 2, extra=chunk(b"gAMA", struct.pack(">I", 45455))),
        "rgb-16bit.png": png(2, 2, 2, depth=16),
    }
    pngs["cut.png"] = pngs["rgb.png"][:60]
    # A header claiming 1.4 billion pixels a row: opening it must not allocate rows of that width.
    huge = struct.pack(">IIBBBBB", 0x524E5300, 29700, 8, 4, 0, 0, 0)
    pngs["huge-row.png"] = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", huge) + chunk(b"IDAT", zlib.compress(bytes(64)))
                            + chunk(b"IEND", b""))
    jpeg = (b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
            b"\xff\xdb\x00\x43\x00" + bytes(range(1, 65)) + b"\xff\xc0\x00\x11\x08\x00\x30\x00\x40\x03"
            b"\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xd9")
    bmp = (b"BM" + struct.pack("<IHHI", 70, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 2, -2, 1, 24, 0, 16, 0, 0, 0, 0)
           + bytes(16))
    corpora = {
        "image_header": {
            "rgb.png": pngs["rgb.png"], "cut.png": pngs["cut.png"], "baseline.jpg": jpeg, "top-down.bmp": bmp,
            "core.bmp": b"BM" + struct.pack("<IHHI", 32, 0, 0, 26) + struct.pack("<IHHHH", 12, 3, 2, 1, 24) + bytes(6),
            "two.gif": b"GIF89a\x02\x00\x01\x00\x80\x00\x00\x00\xff\x00\x00\x00\x00;",
        },
        "numtext": {name: utf16(text) for name, text in {
            "hex": "&H7F", "octal": "&o17", "huge": "1e400", "negative": " -2.5", "blanks": "1 2\t3\n4",
            "exponent-d": "1.5D3", "limit": "2147483647.5", "half": "-0.5", "tiny": ".000001e-330",
            "cr": "12\r34", "wide": "\uff11\u0661",
        }.items()},
        "frame_files": {
            "walk": bytes([2, 2, 0, 12]) + utf16("walk\npng\nwalk007.png\nwalk8.png\nWALK0009.PNG\nwalk-003.png\n"
                                                 "walk07.png\nwalk10.jpeg\nshot2_0003.png\nnotes.txt"),
            "subfolder": bytes([0, 1, 1, 5]) + utf16("sub\\img\njpeg\nimg1.jpg\nimg2.JPEG\nimg3.jpg\nimg0005.jpg"),
            "limits": bytes([1, 0, 0xFF, 3]) + utf16("f\nbmp\nf2147483647.bmp\nf-2147483648.bmp\nf-0.bmp\n"
                                                    "f2147483648.bmp\nf-1.bmp\nf0.bmp"),
        },
        "png_reader": pngs,
    }
    for target, files in corpora.items():
        folder = os.path.join(root, "fuzz", "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
