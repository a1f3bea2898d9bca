#!/usr/bin/env python3
"""Reads zoomed panes in screenshots, for the end-to-end zoom test.

Usage:
  zoomcheck.py runs SHOT X Y W H   the median length of the runs of equal red values along the
                                   middle row of the area, and of equal green values down its
                                   middle column ("coords" pictures keep x in red, y in green), as
                                   "H V": the number of screen pixels a picture pixel takes.
  zoomcheck.py same A AX AY B BX BY W H
                                   the number of pixels that differ between the W x H area at
                                   (AX, AY) of screenshot A and the one at (BX, BY) of B.
Images are read through ImageMagick's convert as binary PPM.
"""
import statistics
import sys

from shotcheck import read


def pixel(image, x, y):
    w, _, data = image
    at = (y * w + x) * 3
    return tuple(data[at:at + 3])


def runs(values):
    lengths, count = [], 1
    for a, b in zip(values, values[1:]):
        if a == b:
            count += 1
        else:
            lengths.append(count)
            count = 1
    # The first and the last run may be cut by the area's edges.
    inner = lengths[1:]
    return statistics.median(inner) if inner else count


def main():
    if sys.argv[1] == "runs":
        image = read(sys.argv[2])
        x, y, w, h = map(int, sys.argv[3:7])
        row = [pixel(image, xx, y + h // 2)[0] for xx in range(x, x + w)]
        column = [pixel(image, x + w // 2, yy)[1] for yy in range(y, y + h)]
        print(f"{runs(row):g} {runs(column):g}")
    elif sys.argv[1] == "same":
        a, b = read(sys.argv[2]), read(sys.argv[5])
        ax, ay, bx, by, w, h = int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[6]), int(sys.argv[7]), int(
            sys.argv[8]), int(sys.argv[9])
        print(sum(pixel(a, ax + i, ay + j) != pixel(b, bx + i, by + j) for j in range(h) for i in range(w)))


if __name__ == "__main__":
    main()
