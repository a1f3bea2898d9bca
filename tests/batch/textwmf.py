#!/usr/bin/env python3
"""Writes a placeable metafile of 200 x 60 pixels that only draws a line of text in the default font."""
import struct
import sys


def record(function, body):
    return struct.pack('<IH', 3 + len(body) // 2, function) + body


text = b'zavo text 0123'
records = (record(0x020B, struct.pack('<hh', 0, 0)) +      # window origin
           record(0x020C, struct.pack('<hh', 60, 200)) +   # window extent
           record(0x0521, struct.pack('<h', len(text)) + text + b'\0' * (len(text) % 2) + struct.pack('<hh', 20, 10)) +
           record(0x0000, b''))
header = struct.pack('<HHHIHIH', 1, 9, 0x0300, (18 + len(records)) // 2, 0, 20, 0)
placeable = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 200, 60, 96, 0)
checksum = 0
for word in struct.unpack('<10H', placeable):
    checksum ^= word
with open(sys.argv[1], 'wb') as out:
    out.write(placeable + struct.pack('<H', checksum) + header + records)
