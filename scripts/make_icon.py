#!/usr/bin/env python3
"""Draws the application icon and writes it as a Windows .ico file.

The icon holds 32x32 and 16x16 images with the 16 system colours and a 48x48
one with 256 colours, and for high-DPI screens the sizes Windows asks for
there: 20, 24, 40 and 64 px, and 256 px for Explorer, compressed as PNG (read
from Vista on; XP never asks for that size). The artwork is a writable disc
with a serial-number tag in front of it. Plain Python only, so the icon can be
regenerated anywhere:

    python3 scripts/make_icon.py res/KorvSerial.ico
"""

import colorsys
import math
import struct
import sys
import zlib

# The standard 16-colour palette of Windows.
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette_256():
    """The 16 system colours, a 6x6x6 colour cube and a 24-step grey ramp."""
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in (round(8 + i * 238 / 23) for i in range(24))]
    return VGA_PALETTE + cube + greys


DISC_CENTRE = (0.44, 0.44)
DISC_RADIUS = 0.42
HUB_RADIUS = 0.15
HOLE_RADIUS = 0.065
TAG = (0.50, 0.60, 0.97, 0.93)  # left, top, right, bottom
TAG_BARS = [0.10, 0.18, 0.24, 0.36, 0.42, 0.55, 0.61, 0.70, 0.82, 0.88]


def scene(x, y, rich):
    """Colour of the artwork at (x, y) in [0, 1)^2, or None where transparent."""
    left, top, right, bottom = TAG
    if left <= x <= right and top <= y <= bottom:
        border = 0.035
        if x < left + border or x > right - border or y < top + border or y > bottom - border:
            return (0, 0, 128)
        inner = (x - left) / (right - left)
        if y < bottom - 0.10 and any(abs(inner - bar) < 0.028 for bar in TAG_BARS):
            return (0, 0, 0)
        return (255, 255, 255)

    dx, dy = x - DISC_CENTRE[0], y - DISC_CENTRE[1]
    r = math.hypot(dx, dy)
    if r > DISC_RADIUS or r < HOLE_RADIUS:
        return None
    if r > DISC_RADIUS - 0.035 or r < HOLE_RADIUS + 0.02:
        return (128, 128, 128)
    if r < HUB_RADIUS:
        return (224, 224, 224) if rich else (255, 255, 255)
    angle = math.atan2(dy, dx)
    shine = 0.5 + 0.5 * math.cos(2 * angle - 0.8)
    if not rich:
        return (255, 255, 255) if shine > 0.8 else (192, 192, 192)
    red, green, blue = colorsys.hsv_to_rgb((angle / (2 * math.pi)) % 1.0, 0.25 * shine, 0.70 + 0.28 * shine)
    return (round(red * 255), round(green * 255), round(blue * 255))


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def render(size, palette, rich):
    """Rows top to bottom of palette indices, None for transparent pixels."""
    cache = {}
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            colour = scene((px + 0.5) / size, (py + 0.5) / size, rich)
            if colour is None:
                row.append(None)
                continue
            if colour not in cache:
                cache[colour] = nearest(palette, colour)
            row.append(cache[colour])
        rows.append(row)
    return rows


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def pack_pixels(row, bits):
    if bits == 8:
        return padded(bytes(0 if p is None else p for p in row))
    packed = bytearray()
    for i in range(0, len(row), 2):
        high = row[i] or 0
        low = (row[i + 1] or 0) if i + 1 < len(row) else 0
        packed.append(high << 4 | low)
    return padded(bytes(packed))


def pack_mask(row):
    mask = bytearray((len(row) + 7) // 8)
    for i, pixel in enumerate(row):
        if pixel is None:
            mask[i // 8] |= 0x80 >> (i % 8)
    return padded(bytes(mask))


def icon_image(size, bits, palette, rich):
    """One image in the icon format: a bitmap header of double height, the
    palette, the colour pixels and the transparency mask, both bottom-up."""
    rows = render(size, palette, rich)
    pixels = b"".join(pack_pixels(row, bits) for row in reversed(rows))
    mask = b"".join(pack_mask(row) for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + pixels + mask


# The small and large icon sizes that the 16, 32 and 48 px images leave out:
# 20 and 40 px at 125 %, 24 px (small) at 150 %, 64 px (large) at 200 %.
HIGH_DPI_SIZES = (20, 24, 40, 64)


def artwork_colours():
    """The 256-colour palette's colours that the full-colour artwork uses, black
    first (where the mask makes a pixel transparent, its colour must leave the
    screen as it is), padded to 16. They are the same few at every size, so a
    4-bit image drawn with them equals the 256-colour drawing pixel for pixel."""
    palette = palette_256()
    used = {0}
    for size in (*HIGH_DPI_SIZES, 256):
        used.update(p for row in render(size, palette, rich=True) for p in row if p is not None)
    if len(used) > 16:
        sys.exit(f"the artwork uses {len(used)} colours, more than a 4-bit image holds")
    colours = [palette[i] for i in sorted(used)]
    return colours + [palette[0]] * (16 - len(colours))


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_image(size, palette):
    """The artwork as a PNG with 8-bit red, green, blue and alpha, rows unfiltered:
    with this few colours the rows repeat, and deflate does best on them as
    they are."""
    rows = render(size, palette, rich=True)
    pixels = b"".join(
        b"\0" + bytes(channel for p in row for channel in ((0, 0, 0, 0) if p is None else (*palette[p], 255)))
        for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(pixels, 9)) + png_chunk(b"IEND", b""))


def icon_file(images):
    """images: (size, colour count, bits, image bytes) in directory order."""
    directory_size = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = directory_size
    for size, colour_count, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count % 256, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    for *_, data in images:
        out += data
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    colours = artwork_colours()
    images = [
        (32, 16, 4, icon_image(32, 4, VGA_PALETTE, rich=False)),
        (16, 16, 4, icon_image(16, 4, VGA_PALETTE, rich=False)),
        (48, 256, 8, icon_image(48, 8, palette_256(), rich=True)),
        *((size, 16, 4, icon_image(size, 4, colours, rich=True)) for size in HIGH_DPI_SIZES),
        (256, 0, 32, png_image(256, colours)),
    ]
    with open(sys.argv[1], "wb") as output:
        output.write(icon_file(images))


if __name__ == "__main__":
    main()
