#!/usr/bin/env python3
"""Writes a 24-bit bottom-up bitmap file for the end-to-end tests.

Usage: makebmp.py OUT WIDTH HEIGHT PATTERN, PATTERN being "gradient" (every pixel differs) or
"bands" (vertical bands 20 pixels wide, alternating dark and light) or "coords" (red x mod 256,
green y mod 256, blue 128: a pixel tells where in the picture it lies) or "flaw" (a smooth
horizontal ramp that compresses almost without loss, but for a 32 x 32 block of faint noise, which
the compression smooths away, with its top-left corner at three quarters of the width and height).
"""
import struct
import sys


def pixel(pattern, x, y, w=0, h=0):
    if pattern == "flaw":
        v = 60 + x * 120 // w
        bx, by = x - w * 3 // 4, y - h * 3 // 4
        if 0 <= bx < 32 and 0 <= by < 32:
            v += ((bx * 7919 + by * 104729) * 2654435761 >> 7) % 41 - 20
        return (v, v, v)
    if pattern == "bands":
        v = 40 if (x // 20) % 2 == 0 else 220
        return (v, v, v)
    if pattern == "coords":
        return (128, y & 255, x & 255)  # stored blue first
    return ((x * 3 + y) & 255, (y * 5) & 255, ((x ^ y) * 7) & 255)


def main():
    out, w, h, pattern = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    stride = (w * 3 + 3) & ~3
    rows = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            row += bytes(pixel(pattern, x, y, w, h))
        rows += row + bytes(stride - len(row))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(rows), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(rows), 0, 0, 0, 0)
    with open(out, 'wb') as f:
        f.write(header + info + rows)


if __name__ == "__main__":
    main()
