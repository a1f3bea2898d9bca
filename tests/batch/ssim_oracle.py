#!/usr/bin/env python3
"""PSNR and SSIM on luma, computed window by window from the pixels: the BT.601 luma of a 24-bit or
32-bit BMP file against the luma of a BMP file or the plane of a binary PGM file (a gray decode).

Usage: ssim_oracle.py ORIGINAL.bmp RESULT.{bmp,pgm} -> prints "PSNR SSIM WORST X Y" ("inf" for
identical pictures): WORST is the lowest SSIM of one window, X Y its top-left pixel (the first such
window in row order).
SSIM: 8 x 8 windows at every 4th pixel in both directions, population statistics,
C1 = (0.01 * 255)^2, C2 = (0.03 * 255)^2, mean over the windows.
"""
import math
import struct
import sys


def gray(data):
    fields, pos = [], 2
    while len(fields) < 3:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(int(data[pos:end]))
        pos = end
    w, h, maxval = fields
    assert maxval == 255, maxval
    pos += 1
    return [list(data[pos + y * w: pos + (y + 1) * w]) for y in range(h)]


def luma(path):
    data = open(path, 'rb').read()
    if data[:2] == b'P5':
        return gray(data)
    offset = struct.unpack_from('<I', data, 10)[0]
    w, h = struct.unpack_from('<ii', data, 18)
    bits = struct.unpack_from('<H', data, 28)[0]
    assert bits in (24, 32), bits
    step = bits // 8
    stride = (w * bits + 31) // 32 * 4
    rows = []
    for y in range(abs(h)):
        file_row = abs(h) - 1 - y if h > 0 else y
        base = offset + file_row * stride
        row = []
        for x in range(w):
            b, g, r = data[base + x * step: base + x * step + 3]
            row.append(int(math.floor(0.299 * r + 0.587 * g + 0.114 * b + 0.5)))
        rows.append(row)
    return rows


def figures(a, b):
    """(PSNR text, mean SSIM, worst SSIM, x, y) of two luma planes."""
    h, w = len(a), len(a[0])
    assert (h, w) == (len(b), len(b[0]))
    err = sum((a[y][x] - b[y][x]) ** 2 for y in range(h) for x in range(w))
    psnr = 'inf' if err == 0 else '%.4f' % (10 * math.log10(255 * 255 / (err / (w * h))))
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    total, count, worst = 0.0, 0, (2.0, 0, 0)
    for top in range(0, h - 7, 4):
        for left in range(0, w - 7, 4):
            pa = [a[y][x] for y in range(top, top + 8) for x in range(left, left + 8)]
            pb = [b[y][x] for y in range(top, top + 8) for x in range(left, left + 8)]
            ma, mb = sum(pa) / 64, sum(pb) / 64
            va = sum((p - ma) ** 2 for p in pa) / 64
            vb = sum((p - mb) ** 2 for p in pb) / 64
            cov = sum((p - ma) * (q - mb) for p, q in zip(pa, pb)) / 64
            ssim = ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2))
            total += ssim
            count += 1
            if ssim < worst[0]:
                worst = (ssim, left, top)
    return (psnr, total / count) + worst


def main():
    psnr, ssim, worst, x, y = figures(luma(sys.argv[1]), luma(sys.argv[2]))
    print(psnr, '%.6f' % ssim, '%.6f' % worst, x, y)


if __name__ == '__main__':
    main()
