#!/usr/bin/env python3
"""Converts the window's XPM icon to the PNG the desktop entry uses.

Run after changing app/galt-loader.xpm:
    tools/xpm_to_png.py app/galt-loader.xpm app/galt-loader.png
Only the simple XPM form the icon uses is read: one character per pixel,
colours as #RRGGBB or None.
"""
import re
import struct
import sys
import zlib


def read_xpm(path):
    strings = re.findall(r'"([^"]*)"', open(path, encoding="ascii").read())
    width, height, ncolors, cpp = (int(v) for v in strings[0].split()[:4])
    colours = {}
    for entry in strings[1:1 + ncolors]:
        key, rest = entry[:cpp], entry[cpp:].split()
        value = rest[rest.index("c") + 1]
        colours[key] = None if value.lower() == "none" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    rows = strings[1 + ncolors:1 + ncolors + height]
    pixels = []
    for row in rows:
        line = []
        for x in range(width):
            c = colours[row[x * cpp:(x + 1) * cpp]]
            line.append((0, 0, 0, 0) if c is None else c + (255,))
        pixels.append(line)
    return width, height, pixels


def write_png(path, width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: xpm_to_png.py ICON.xpm ICON.png")
    write_png(sys.argv[2], *read_xpm(sys.argv[1]))
