#!/usr/bin/env python3
"""Writes src/ui/plansweeper.ico: a drawing sheet with a sweep across it,
at 16, 24, 32 and 48 pixels (32-bit with alpha). Run by hand when the
picture changes; the icon itself is committed."""
import struct
import sys


def pixel(size, x, y):
    # coordinates in 0..1 with y downwards
    u, v = (x + 0.5) / size, (y + 0.5) / size
    m = 1.5 / size
    # background: a rounded blue tile
    r = 0.18
    dx = max(abs(u - 0.5) - (0.5 - r - m), 0)
    dy = max(abs(v - 0.5) - (0.5 - r - m), 0)
    if (dx * dx + dy * dy) ** 0.5 > r:
        return (0, 0, 0, 0)
    color = (30, 90, 170, 255)
    # the sheet
    if 0.24 <= u <= 0.76 and 0.18 <= v <= 0.82:
        color = (250, 250, 250, 255)
        # plan lines
        for ly in (0.34, 0.46, 0.58):
            if abs(v - ly) < 0.025 + m / 2 and 0.32 <= u <= 0.68:
                color = (110, 140, 190, 255)
    # the sweep: a green band from lower left to upper right
    if abs((u - 0.5) + (v - 0.5) - 0.22) < 0.07 + m:
        color = (40, 170, 90, 255)
    return color


def image(size):
    rows = []
    for y in reversed(range(size)):
        row = b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in (pixel(size, x, y) for x in range(size)))
        rows.append(row)
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    andmask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return header + xor + andmask


def main(path):
    sizes = [16, 24, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/ui/plansweeper.ico")
