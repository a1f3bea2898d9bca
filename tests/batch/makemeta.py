#!/usr/bin/env python3
"""Makes the metadata test files of the batch tests.

  makemeta.py icc OUT SIZE          an ICC profile of SIZE bytes: a valid header, no tags, filler
  makemeta.py badexif IN OUT        IN with a malformed EXIF segment and an XMP packet put behind its
                                    JFIF header
  makemeta.py bmp5 OUT PROFILE KIND a 4 x 2 bitmap with a version-5 header, KIND "MBED" (the profile
                                    embedded behind the pixels) or "LINK" (the profile's path)
  makemeta.py segments FILE         each APPn and COM segment of FILE: marker, then payload in hex
"""
import struct
import sys


def icc(out, size):
    body = bytearray((i * 31 + 1) & 255 for i in range(size))
    body[0:4] = struct.pack('>I', size)
    body[4:8] = b'zavo'
    body[8:12] = bytes([2, 0x10, 0, 0])
    body[12:24] = b'mntrRGB XYZ '
    body[36:40] = b'acsp'
    body[128:132] = struct.pack('>I', 0)
    open(out, 'wb').write(body)


def segment(code, payload):
    return bytes([0xFF, code]) + struct.pack('>H', len(payload) + 2) + payload


def badexif(src, out):
    data = open(src, 'rb').read()
    at = 4 + struct.unpack('>H', data[4:6])[0]
    exif = b'Exif\0\0XX\0*' + bytes(40)
    xmp = b'http://ns.adobe.com/xap/1.0/\0<x:xmpmeta xmlns:x="adobe:ns:meta/"/>'
    open(out, 'wb').write(data[:at] + segment(0xE1, exif) + segment(0xE1, xmp) + data[at:])


def bmp5(out, profile, kind):
    data = open(profile, 'rb').read() if kind == 'MBED' else profile.encode()
    pixels = bytes(range(24))
    header = struct.pack('<IiiHHIIiiII', 124, 4, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header += struct.pack('<IIII', 0, 0, 0, 0) + kind[::-1].encode() + bytes(36) + bytes(12)
    header += struct.pack('<IIII', 4, 124 + len(pixels), len(data), 0)
    size = 14 + len(header) + len(pixels) + len(data)
    open(out, 'wb').write(struct.pack('<2sIHHI', b'BM', size, 0, 0, 14 + 124) + header + pixels + data)


def segments(path):
    data = open(path, 'rb').read()
    pos = 2
    while pos + 4 <= len(data) and data[pos] == 0xFF and data[pos + 1] != 0xDA:
        code = data[pos + 1]
        length = struct.unpack('>H', data[pos + 2:pos + 4])[0]
        if 0xE0 <= code <= 0xEF or code == 0xFE:
            print('%02X %s' % (code, data[pos + 4:pos + 2 + length].hex()))
        pos += 2 + length


if __name__ == '__main__':
    what = sys.argv[1]
    if what == 'icc':
        icc(sys.argv[2], int(sys.argv[3]))
    elif what == 'badexif':
        badexif(sys.argv[2], sys.argv[3])
    elif what == 'bmp5':
        bmp5(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        segments(sys.argv[2])
