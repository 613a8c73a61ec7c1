#!/usr/bin/env python3
"""Draws the background picture of the screens as a PNG: a dark 320 x 320
field (it covers a 240 x 320 and a 320 x 240 screen when centred) with a dim
receipt emblem. Message boxes without a filled body shade it to half its
brightness and draw their light text over it, so no part of it may be light:
even unshaded, its brightest colour keeps a contrast of more than 4.5:1 with
the scheme's text colour (res/kkt_ui.xml). Turn it into res/fon.b16 with
    scripts/make_background.py /tmp/fon.png && build/debug/tools/png2b16/png2b16 /tmp/fon.png res/fon.b16
"""
import struct
import sys
import zlib

W = H = 320
FIELD = (16, 24, 38)
RING = (40, 58, 86)
DISC = (24, 36, 56)
PAPER = (52, 72, 104)
LINES = (34, 50, 76)
BAR = (70, 96, 134)


def pixel(x, y):
    cx, cy = W / 2, H / 2
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 > 112 ** 2:
        return FIELD
    if d2 > 104 ** 2:
        return RING
    # The receipt: a sheet with text lines, a bar and a torn lower edge.
    left, right, top, bottom = cx - 42, cx + 42, cy - 70, cy + 62
    if left <= x < right and top <= y < bottom:
        if y > bottom - 8 and (abs((x - left) % 12 - 6) + (y - (bottom - 8))) > 7:
            return DISC
        row = y - top
        if 14 <= row < 84 and row % 12 < 4 and x > left + 10 and x < right - 10:
            return LINES
        if 92 <= row < 100 and x > left + 10 and x < right - 10:
            return BAR
        return PAPER
    return DISC


def png(path):
    raw = bytearray()
    for y in range(H):
        raw.append(0)
        for x in range(W):
            raw.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    png(sys.argv[1] if len(sys.argv) > 1 else "fon.png")
