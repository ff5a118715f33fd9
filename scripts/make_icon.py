#!/usr/bin/env python3
"""Draws the installer icon (16, 32 and 48 px, 32-bit BGRA) into an .ico file:
a rounded blue tile with a white downward arrow."""
import struct
import sys


def pixel(size: int, x: int, y: int) -> bytes:
    r = size * 0.2
    cx, cy = min(max(x + 0.5, r), size - r), min(max(y + 0.5, r), size - r)
    inside = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r
    if not inside:
        return b"\0\0\0\0"
    u, v = (x + 0.5) / size, (y + 0.5) / size
    shaft = 0.42 <= u <= 0.58 and 0.18 <= v <= 0.55
    head = 0.5 <= v <= 0.78 and abs(u - 0.5) <= (0.78 - v) * 1.1
    base = 0.80 <= v <= 0.86 and 0.22 <= u <= 0.78
    if shaft or head or base:
        return bytes((255, 255, 255, 255))
    return bytes((0xD0, 0x7A, 0x1E, 255))  # BGRA of a mid blue


def image(size: int) -> bytes:
    rows = [b"".join(pixel(size, x, y) for x in range(size)) for y in reversed(range(size))]
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask


def main(target: str) -> None:
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(target, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
