#!/usr/bin/env python3
"""Watches the screen for a caption colour, for the end-to-end tests of the preview.

Screenshots through ImageMagick take seconds on a busy machine and would miss a picture that is
shown for one second; this reads the 60 x 24 pixels left of and below (X, Y) straight from the X
server every 20 ms. Usage: watchcaption.py X Y RRGGBB TIMEOUT_MS. Prints the milliseconds until a
pixel of that colour showed and exits 0, or exits 1 when none showed in time. The screen must have
32 bits per pixel, blue first (Xvfb at depth 24).
"""
import ctypes
import ctypes.util
import sys
import time


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def main():
    x, y, colour, timeout = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3], 16), int(sys.argv[4])
    want = bytes([colour & 255, (colour >> 8) & 255, colour >> 16])
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.POINTER(XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XFree.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open display")
    root = x11.XDefaultRootWindow(display)
    start = time.monotonic()
    while (time.monotonic() - start) * 1000 < timeout:
        image = x11.XGetImage(display, root, x - 60, y, 60, 24, 0xFFFFFFFF, 2)  # ZPixmap
        if image:
            info = image.contents
            data = ctypes.string_at(info.data, info.bytes_per_line * info.height)
            x11.XFree(info.data)
            x11.XFree(image)
            if info.bits_per_pixel != 32:
                sys.exit("the screen has no 32-bit pixels")
            for row in range(info.height):
                line = data[row * info.bytes_per_line:row * info.bytes_per_line + 60 * 4]
                if any(line[i:i + 3] == want for i in range(0, 60 * 4, 4)):
                    print(int((time.monotonic() - start) * 1000))
                    return
        time.sleep(0.02)
    sys.exit(1)


if __name__ == "__main__":
    main()
