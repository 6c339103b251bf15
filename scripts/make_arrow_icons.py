#!/usr/bin/env python3
"""Draws the history menu's two 16 x 16 arrow icons (blue, pointing left and right) and
writes them as .ico files into src/menus. Run again only to change their look."""
import struct
from pathlib import Path

SIZE = 16
BLUE = (0xD0, 0x60, 0x10, 0xFF)       # B, G, R, A: a clear blue
EDGE = (0x80, 0x30, 0x00, 0xFF)       # darker blue outline


def right_arrow():
    """Pixel rows top to bottom: a shaft and a head pointing right."""
    pixels = [[None] * SIZE for _ in range(SIZE)]
    for y in range(6, 10):                      # shaft
        for x in range(2, 9):
            pixels[y][x] = BLUE
    for x in range(8, 15):                      # head: a triangle
        half = 14 - x
        for y in range(7 - half, 9 + half):
            if 0 <= y < SIZE:
                pixels[y][x] = BLUE
    # Outline: any filled pixel next to an empty one.
    out = [row[:] for row in pixels]
    for y in range(SIZE):
        for x in range(SIZE):
            if pixels[y][x] is None:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if not (0 <= nx < SIZE and 0 <= ny < SIZE) or pixels[ny][nx] is None:
                    out[y][x] = EDGE
    return out


def ico(pixels):
    xor = b""
    for row in reversed(pixels):                # bottom-up
        for p in row:
            xor += bytes(p) if p else b"\0\0\0\0"
    and_mask = b""
    for row in reversed(pixels):
        bits = 0
        for x, p in enumerate(row):
            if p is None:
                bits |= 1 << (31 - x)
        and_mask += struct.pack(">I", bits)     # 16 bits used, padded to 32
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22) + image


def main():
    folder = Path(__file__).resolve().parent.parent / "src/menus"
    right = right_arrow()
    left = [list(reversed(row)) for row in right]
    (folder / "arrow_left.ico").write_bytes(ico(left))
    (folder / "arrow_right.ico").write_bytes(ico(right))


main()
