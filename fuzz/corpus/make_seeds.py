#!/usr/bin/env python3
"""Writes the seed corpus for the fuzz targets (run from anywhere).

Seeds named valid-* must be accepted and invalid-* refused; the replay test
checks both. JPEG seeds are made with cjpeg (libjpeg-turbo-progs).
"""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write(kind, name, data):
    os.makedirs(os.path.join(HERE, kind), exist_ok=True)
    with open(os.path.join(HERE, kind, name), "wb") as f:
        f.write(data)


def bmp(width, height, bits, pixels, palette=(), compression=0, info_size=40,
        masks=(), top_down=False):
    if info_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in palette)
    else:
        info = struct.pack("<IiiHHIIiiII", info_size, width, -height if top_down else height,
                           1, bits, compression, len(pixels), 2835, 2835, len(palette), 0)
        if info_size > 40:
            info += b"".join(struct.pack("<I", m) for m in masks)
        info += b"\0" * (info_size - len(info))
        if info_size == 40:
            info += b"".join(struct.pack("<I", m) for m in masks)
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + pixels


def rows(width, height, bytes_per_pixel, value):
    stride = (width * bytes_per_pixel + 3) // 4 * 4
    out = b""
    for y in range(height):
        row = bytes(value(x, y) & 255 for x in range(width * bytes_per_pixel))
        out += row + b"\0" * (stride - len(row))
    return out


GRAYS = [(i * 17, i * 17, 255 - i * 17) for i in range(16)]

BMPS = {
    "valid-24bit.bmp": bmp(5, 3, 24, rows(5, 3, 3, lambda x, y: (x * 40 + y * 7) & 255)),
    "valid-32bit.bmp": bmp(3, 2, 32, rows(3, 2, 4, lambda x, y: x * 60 + y)),
    "valid-16bit-555.bmp": bmp(3, 2, 16, rows(3, 2, 2, lambda x, y: (x * 37) & 0x7F)),
    "valid-16bit-565.bmp": bmp(2, 2, 16, rows(2, 2, 2, lambda x, y: x * 90 + y), compression=3,
                               masks=(0xF800, 0x07E0, 0x001F)),
    "valid-32bit-v5.bmp": bmp(2, 2, 32, rows(2, 2, 4, lambda x, y: x * 50), compression=3,
                              info_size=124, masks=(0xFF0000, 0xFF00, 0xFF)),
    "valid-8bit-topdown.bmp": bmp(4, 3, 8, rows(4, 3, 1, lambda x, y: (x + y) % 16),
                                  palette=GRAYS, top_down=True),
    "valid-4bit.bmp": bmp(7, 2, 4, b"\x01\x23\x45\x60" * 2, palette=GRAYS),
    "valid-1bit-core.bmp": bmp(9, 2, 1, b"\xa5\x80\0\0\x5a\x00\0\0",
                               palette=[(0, 0, 0), (255, 255, 255)], info_size=12),
    "valid-rle8.bmp": bmp(4, 3, 8, bytes.fromhex("0301 0000 0003 020302 00 0000 0002 0200 0203 0001"),
                          palette=GRAYS[:4], compression=1),
    "valid-rle4.bmp": bmp(5, 2, 4, bytes.fromhex("0512 0000 0003 3210 0001"),
                          palette=GRAYS[:4], compression=2),
}
BMPS["invalid-truncated.bmp"] = BMPS["valid-24bit.bmp"][:-3]
BMPS["invalid-bad-size.bmp"] = BMPS["valid-24bit.bmp"][:2] + struct.pack("<I", 20) + BMPS["valid-24bit.bmp"][6:]


def document(frame, colour, tm, layout, entries):
    head = struct.pack("<iiiIBB", len(entries), frame[0], frame[1], colour, tm, layout) + b"\0" * 6
    return head + b"".join(entries)


def record(l, t, w, h, m=0, g=0, tr=1):
    return struct.pack("<iiiiBBB", l, t, w, h, m, g, tr) + b"\0" * 21


def short(l, t, w, h):
    return struct.pack("<iiii", l, t, w, h)


DOCS = {
    "valid-empty.bmh": document((206, 156), 0xFFFFFF, 1, 1, []),
    "valid-three-parts.bmh": document((40, 30), 0x0000FF, 1, 1, [
        record(1, 2, 10, 6, 0, 0, 1) + BMPS["valid-24bit.bmp"],
        record(-3, 4, 3, 2, 255, 0, 0) + BMPS["valid-rle8.bmp"],
        record(5, 5, 20, 9, 0, 255, 255) + BMPS["valid-4bit.bmp"],
    ]),
    "valid-layout0-short.bmh": document((20, 20), 0, 1, 0, [
        short(0, 0, 5, 3) + BMPS["valid-1bit-core.bmp"],
        short(2, 2, 3, 2) + BMPS["valid-16bit-565.bmp"],
    ]),
    "valid-switch-to-short.bmh": document((20, 20), 0, 0, 1, [
        record(1, 1, 4, 3, 1, 0, 1) + BMPS["valid-32bit-v5.bmp"],
        short(2, 2, 3, 2) + BMPS["valid-8bit-topdown.bmp"],
        record(3, 3, 3, 2, 0, 1, 1) + BMPS["valid-rle4.bmp"] + b"trailing",
    ]),
    # Found by fuzzing: a placement at the end of the int range overflowed
    # the renderer's arithmetic; such placements are now refused.
    "invalid-top-int-min.bmh": document((20, 20), 0, 1, 0, [
        struct.pack("<iiii", 0, -2**31, 5, 3) + BMPS["valid-1bit-core.bmp"],
    ]),
    "invalid-count.bmh": document((20, 20), 0, 0, 1, [record(0, 0, 5, 3) + BMPS["valid-24bit.bmp"]])[:-10],
    # An RLE source that ends at once: its header tells a size its data
    # never fills.
    "valid-rle-claims-its-size.bmh": document((20, 20), 0, 0, 1, [
        record(0, 0, 4, 4) + bmp(200, 200, 8, bytes.fromhex("0001"), palette=GRAYS[:2], compression=1),
    ]),
    # Within each limit, but beyond what the document has left for it.
    "invalid-over-budget.bmh": document((20, 20), 0, 0, 1, [
        record(0, 0, 256, 256) + BMPS["valid-24bit.bmp"],
        record(0, 0, 256, 256) + BMPS["valid-24bit.bmp"],
        record(0, 0, 256, 256) + BMPS["valid-24bit.bmp"],
        record(0, 0, 4, 4) + bmp(256, 256, 8, bytes.fromhex("0001"), palette=GRAYS[:2], compression=1),
    ]),
}


def jpegs():
    out = {}
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "in.ppm")
        w, h = 24, 16
        pixels = bytes(((x * 10 + c * 40) ^ (y * 9)) & 255 for y in range(h) for x in range(w) for c in range(3))
        with open(ppm, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (w, h) + pixels)
        for name, args in [("valid-baseline.jpg", ["-quality", "90"]),
                           ("valid-gray.jpg", ["-grayscale"]),
                           ("valid-progressive.jpg", ["-progressive"]),
                           ("valid-restart.jpg", ["-restart", "1", "-sample", "2x2"]),
                           ("valid-arithmetic.jpg", ["-arithmetic"])]:
            out[name] = subprocess.run(["cjpeg"] + args + [ppm], check=True, capture_output=True).stdout
    out["invalid-header-cut.jpg"] = out["valid-baseline.jpg"][:40]
    out["invalid-not-jpeg.jpg"] = b"GIF89a not a jpeg"
    return out


def pngs():
    suite = os.path.join(HERE, "..", "..", "tests", "core", "imaging", "pngsuite")
    out = {}
    for name in ["basn0g01.png", "basn0g16.png", "basn3p04.png", "basn4a16.png", "basn6a08.png",
                 "ftbbn2c16.png", "ftbwn3p08.png", "ibasn2c08.png", "iftbwn0g16.png"]:
        with open(os.path.join(suite, name), "rb") as f:
            out["valid-" + name] = f.read()
    whole = out["valid-basn6a08.png"]
    out["invalid-cut.png"] = whole[:len(whole) // 2]
    out["invalid-crc.png"] = whole[:23] + bytes([whole[23] ^ 1]) + whole[24:]
    out["invalid-not-png.png"] = b"GIF89a not a png"
    # A text chunk that claims 2 GiB: refused on its length.
    out["invalid-text-2gib.png"] = whole[:33] + b"\x7f\xff\xff\xfftEXtComment" + b"x" * 66
    return out


for name, data in pngs().items():
    write("png", name, data)
for name, data in BMPS.items():
    write("bmp", name, data)
for name, data in DOCS.items():
    write("document", name, data)
for name, data in jpegs().items():
    write("jpeg", name, data)
