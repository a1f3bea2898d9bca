#!/usr/bin/env python3
"""Tells what a screenshot of the preview shows, for the end-to-end tests.

Usage: shotcheck.py SHOT BMP X Y. Prints "red R green G diff D", R and G being the numbers of pure
red (255, 0, 0) and green (0, 128, 0) pixels in the 60 x 24 pixels left of and below (X, Y), where
the caption stands, and D the mean difference of a colour channel between the picture of the
bitmap file and the screenshot area at (X, Y) of the same size, rounded up. Images are read through
ImageMagick's convert as binary PPM.
"""
import subprocess
import sys


def read(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]


def main():
    sw, _, shot = read(sys.argv[1])
    pw, ph, picture = read(sys.argv[2])
    x, y = int(sys.argv[3]), int(sys.argv[4])
    red = green = 0
    for yy in range(y, y + 24):
        for xx in range(x - 60, x):
            at = (yy * sw + xx) * 3
            pixel = tuple(shot[at:at + 3])
            red += pixel == (255, 0, 0)
            green += pixel == (0, 128, 0)
    total = 0
    for yy in range(ph):
        row = shot[((y + yy) * sw + x) * 3:((y + yy) * sw + x + pw) * 3]
        source = picture[yy * pw * 3:(yy + 1) * pw * 3]
        total += sum(abs(a - b) for a, b in zip(row, source))
    diff = -(-total // (pw * ph * 3))
    print(f"red {red} green {green} diff {diff}")


if __name__ == "__main__":
    main()
