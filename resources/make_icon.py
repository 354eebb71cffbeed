#!/usr/bin/env python3
"""Writes kzpstub.ico: icon group 102 of the stub, a package box tied with a
ribbon, at 32 x 32 and 16 x 16 pixels in 256 colours (8 bits a pixel, the
form every Windows version reads). Standard library only; the output is the
same bytes on every run, so the checked-in icon can be rebuilt and compared.

    python3 resources/make_icon.py resources/kzpstub.ico
"""
import struct
import sys

# Palette indices (red, green, blue); entry 3, white, is spare; the rest of
# the 256 entries stay black.
CLEAR, BORDER, BOX, SPARE, RIBBON = 0, 1, 2, 3, 4
PALETTE = {BORDER: (0x80, 0x30, 0x00), BOX: (0xE6, 0xA0, 0x3C), SPARE: (0xFF, 0xFF, 0xFF),
           RIBBON: (0x28, 0x8C, 0xF0)}

# Per size: the box's first and last pixel (both axes), the ribbon's first
# pixel and its width.
SHAPES = {32: (4, 27, 15, 3), 16: (2, 13, 8, 1)}


def pixel(size, x, y):
    first, last, ribbon, width = SHAPES[size]
    if not (first <= x <= last and first <= y <= last):
        return CLEAR
    if ribbon <= x < ribbon + width or ribbon <= y < ribbon + width:
        return RIBBON
    if x in (first, last) or y in (first, last):
        return BORDER
    return BOX


def image(size):
    """A DIB as icons hold it: header (twice the height, for the mask),
    palette, colour rows bottom-up, then the 1-bit AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(
        bytes((b, g, r, 0)) for r, g, b in (PALETTE.get(i, (0, 0, 0)) for i in range(256)))
    rows = range(size - 1, -1, -1)
    colours = bytes(pixel(size, x, y) for y in rows for x in range(size))
    mask_row = (size + 31) // 32 * 4
    mask = b""
    for y in rows:
        bits = 0
        for x in range(size):
            if pixel(size, x, y) == CLEAR:
                bits |= 1 << (mask_row * 8 - 1 - x)
        mask += bits.to_bytes(mask_row, "big")
    return header + palette + colours + mask


def icon_file(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py <output.ico>")
    with open(sys.argv[1], "wb") as f:
        f.write(icon_file([32, 16]))
