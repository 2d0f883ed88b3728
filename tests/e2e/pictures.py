"""Pictures for the end-to-end runs: a tiny BMP writer and reader, the two
pictures a person pastes, and the composite the program must export."""

import math
import struct


class Picture:
    """Width x height RGB pixels, rows from the top."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # list of (r, g, b), row-major

    def at(self, x, y):
        return self.pixels[y * self.width + x]


def from_function(width, height, colour_at):
    return Picture(width, height,
                   [colour_at(x, y) for y in range(height) for x in range(width)])


def write_bmp(path, picture):
    """A plain 24-bit bottom-up BMP, as any paint program writes one."""
    stride = (picture.width * 3 + 3) & ~3
    body = bytearray()
    for y in range(picture.height - 1, -1, -1):
        row = bytearray()
        for x in range(picture.width):
            r, g, b = picture.at(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        body += row
    file_header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(body), 0, 0, 14 + 40)
    info_header = struct.pack('<IiiHHIIiiII', 40, picture.width, picture.height, 1, 24,
                              0, len(body), 3780, 3780, 0, 0)
    with open(path, 'wb') as f:
        f.write(file_header + info_header + body)


def read_bmp(path):
    """Reads the uncompressed 24- and 32-bit BMPs the program and the CLI
    write; anything else is an error, never a guess."""
    with open(path, 'rb') as f:
        data = f.read()
    if len(data) < 54 or data[:2] != b'BM':
        raise ValueError(f'{path}: not a BMP file')
    offset = struct.unpack_from('<I', data, 10)[0]
    header_size, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    if header_size < 40 or planes != 1 or bits not in (24, 32) or compression not in (0, 3):
        raise ValueError(f'{path}: unsupported BMP (header {header_size}, {bits} bits, '
                         f'compression {compression})')
    if width <= 0 or height == 0 or width > 16384 or abs(height) > 16384:
        raise ValueError(f'{path}: unreasonable size {width} x {height}')
    top_down = height < 0
    height = abs(height)
    step = bits // 8
    stride = (width * step + 3) & ~3
    if offset + stride * height > len(data):
        raise ValueError(f'{path}: pixel data cut short')
    pixels = []
    for y in range(height):
        row_index = y if top_down else height - 1 - y
        row = offset + row_index * stride
        for x in range(width):
            b, g, r = data[row + x * step: row + x * step + 3]
            pixels.append((r, g, b))
    return Picture(width, height, pixels)


def sky_picture():
    """A landscape with no pure white pixel, so all of it shows."""
    width, height = 360, 240

    def colour(x, y):
        if (x - 282) ** 2 + (y - 58) ** 2 <= 26 ** 2:
            return (250, 214, 60)
        hill = 176 + 18 * math.sin(x / 37.0) + 8 * math.sin(x / 11.0)
        if y >= hill:
            shade = min(60, int((y - hill) * 1.5))
            return (52 + shade // 3, 142 - shade, 64)
        t = y / height
        return (int(40 + 150 * t), int(110 + 110 * t), int(200 + 40 * t))

    return from_function(width, height, colour)


def flower_picture():
    """A flower on pure white: in a transparent part the white lets the
    picture below show through."""
    width, height = 72, 56
    cx, cy = 36, 22
    petals = [(cx + 12 * math.cos(a * math.pi / 2.5), cy + 12 * math.sin(a * math.pi / 2.5))
              for a in range(5)]

    def colour(x, y):
        if (x - cx) ** 2 + (y - cy) ** 2 <= 6 ** 2:
            return (245, 200, 20)
        if any((x - px) ** 2 + (y - py) ** 2 <= 8 ** 2 for px, py in petals):
            return (214, 48, 118)
        if 35 <= x <= 37 and y > cy:
            return (40, 130, 40)
        if y > 38 and abs((x - 36) - (y - 38)) <= 2 and x < 60:
            return (60, 160, 50)
        return (255, 255, 255)

    return from_function(width, height, colour)


def composite(width, height, background, parts):
    """The whole picture as the program renders it: the background colour,
    then each (picture, left, top) from the bottom up, white pixels of these
    transparent parts leaving what lies below, all clipped to the
    background."""
    pixels = [background] * (width * height)
    for picture, left, top in parts:
        for y in range(picture.height):
            ty = top + y
            if not 0 <= ty < height:
                continue
            for x in range(picture.width):
                tx = left + x
                if not 0 <= tx < width:
                    continue
                colour = picture.at(x, y)
                if colour != (255, 255, 255):
                    pixels[ty * width + tx] = colour
    return Picture(width, height, pixels)


def first_difference(actual, expected):
    """None when equal, else a sentence naming the first differing pixel."""
    if (actual.width, actual.height) != (expected.width, expected.height):
        return (f'size {actual.width} x {actual.height}, '
                f'expected {expected.width} x {expected.height}')
    differing = [i for i, (a, e) in enumerate(zip(actual.pixels, expected.pixels)) if a != e]
    if not differing:
        return None
    i = differing[0]
    return (f'{len(differing)} pixels differ; first at ({i % actual.width}, {i // actual.width}): '
            f'{actual.pixels[i]} instead of {expected.pixels[i]}')
