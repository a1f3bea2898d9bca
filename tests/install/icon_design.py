#!/usr/bin/env python3
"""Checks installed icons against the window icon's bitmap.

usage: icon_design.py MAINICON.xpm ICON_THEME_DIR NAME

Every PNG size is compared with the 32 x 32 bitmap scaled up or down: a pixel whose area, widened by
one bitmap cell on each side, lies wholly in one colour of the bitmap must have exactly that colour
(fully transparent where the bitmap has none). Pixels on an edge of the drawing may blend. The
scalable icon must be a square SVG document.
"""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

SIZES = (16, 32, 48, 64, 128, 256)


def read_xpm(path):
    strings = re.findall(r'"((?:[^"\\]|\\.)*)"', open(path, encoding="ascii").read())
    width, height, ncolors, cpp = (int(v) for v in strings[0].split()[:4])
    colours = {}
    for line in strings[1:1 + ncolors]:
        key, rest = line[:cpp], line[cpp:].split()
        value = rest[rest.index("c") + 1]
        colours[key] = None if value.lower() == "none" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    rows = strings[1 + ncolors:1 + ncolors + height]
    return [[colours[row[x * cpp:(x + 1) * cpp]] for x in range(width)] for row in rows]


def read_png(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], check=True,
                         capture_output=True).stdout
    if len(raw) != width * height * 4:
        raise SystemExit(f"{path}: {len(raw)} bytes of pixels for {width} x {height}")
    return width, height, raw


def compare(bitmap, path, size):
    width, height, raw = read_png(path)
    if (width, height) != (size, size):
        return [f"{path}: {width} x {height}, expected {size} x {size}"]
    cells = len(bitmap)
    faults, checked = [], 0
    for py in range(size):
        for px in range(size):
            # The bitmap cells this pixel covers, one more on each side.
            x0, x1 = px * cells // size - 1, ((px + 1) * cells + size - 1) // size + 1
            y0, y1 = py * cells // size - 1, ((py + 1) * cells + size - 1) // size + 1
            seen = {bitmap[y][x] if 0 <= x < cells and 0 <= y < cells else None
                    for y in range(y0, y1) for x in range(x0, x1)}
            if len(seen) != 1:
                continue
            want = seen.pop()
            r, g, b, a = raw[(py * size + px) * 4:(py * size + px) * 4 + 4]
            ok = a == 0 if want is None else (a == 255 and (r, g, b) == want)
            checked += 1
            if not ok and len(faults) < 5:
                faults.append(f"{path}: pixel {px},{py} is {r},{g},{b},{a}, expected {want}")
    if checked < size * size // 2:
        faults.append(f"{path}: only {checked} of {size * size} pixels could be compared")
    return faults


def check_svg(path):
    root = ET.parse(path).getroot()
    if root.tag != "{http://www.w3.org/2000/svg}svg":
        return [f"{path}: root element {root.tag}"]
    box = root.get("viewBox", "").split()
    if len(box) != 4 or box[2] != box[3]:
        return [f"{path}: viewBox {box} is not square"]
    return []


def main():
    xpm, theme, name = sys.argv[1:4]
    bitmap = read_xpm(xpm)
    faults = check_svg(f"{theme}/scalable/apps/{name}.svg")
    for size in SIZES:
        faults += compare(bitmap, f"{theme}/{size}x{size}/apps/{name}.png", size)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
