#!/usr/bin/env python3
"""Draws the program icon (an envelope sealed with a red "Z") in the 16
standard colours, at 32x32 and 16x16, and writes it as PNGs for Qt and as an
.ico for the Windows resource file. Run it after changing the picture.

  make_icon.py [FOLDER]        the two PNGs and the .ico, into FOLDER
  make_icon.py --png N FILE    one N x N PNG, for the desktop's icon theme"""
import struct
import sys
import zlib
from pathlib import Path

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CLEAR, BLACK, MAROON, NAVY, GRAY, RED, YELLOW, WHITE = None, 0, 1, 4, 8, 9, 11, 15


def line(pixels, x0, y0, x1, y1, colour):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = x0 + round((x1 - x0) * i / steps)
        y = y0 + round((y1 - y0) * i / steps)
        pixels[y][x] = colour


def draw(size):
    s = size / 32
    # Strokes grow with the picture, so the large theme icons are not hairlines.
    pen = max(1, round(s))
    px = [[CLEAR] * size for _ in range(size)]
    left, top, right, bottom = round(1 * s), round(7 * s), size - 1 - round(1 * s), round(26 * s)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = min(y - top, bottom - y, x - left, right - x) < pen
            px[y][x] = NAVY if edge else WHITE
    middle_x, middle_y = size // 2, round(17 * s)
    for offset in range(pen):
        line(px, left, top + offset, middle_x, middle_y + offset, GRAY)
        line(px, right, top + offset, middle_x, middle_y + offset, GRAY)
    radius = max(2, round(6 * s))
    for y in range(middle_y - radius, middle_y + radius + 1):
        for x in range(middle_x - radius, middle_x + radius + 1):
            if (x - middle_x) ** 2 + (y - middle_y) ** 2 <= radius * radius + radius:
                px[y][x] = RED
    if size >= 32:
        z = [(-3, -3), (-2, -3), (-1, -3), (0, -3), (1, -3), (2, -3), (3, -3),
             (2, -2), (1, -1), (0, 0), (-1, 1), (-2, 2),
             (-3, 3), (-2, 3), (-1, 3), (0, 3), (1, 3), (2, 3), (3, 3)]
        for dx, dy in z:
            for ox in range(pen):
                for oy in range(pen):
                    px[middle_y + dy * pen + oy - pen // 2][middle_x + dx * pen + ox - pen // 2] = YELLOW
    else:
        px[middle_y][middle_x] = YELLOW
    return px


def png(pixels):
    size = len(pixels)
    raw = b""
    for row in pixels:
        raw += b"\0" + b"".join(
            bytes((0, 0, 0, 0)) if c is None else bytes(PALETTE[c] + (255,)) for c in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_image(pixels):
    """A 4-bit palette DIB with its AND mask, bottom row first."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    xor, mask = b"", b""
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        indices = [0 if c is None else c for c in row]
        xor += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)).ljust(
            ((size * 4 + 31) // 32) * 4, b"\0")
        bits = 0
        for x, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
        mask += bits.to_bytes((size + 7) // 8, "big").ljust(mask_stride, b"\0")
    return header + palette + xor + mask


def ico(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for pixels in images:
        blob = ico_image(pixels)
        size = len(pixels)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset + len(data))
        data += blob
    return directory + entries + data


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--png":
        Path(sys.argv[3]).write_bytes(png(draw(int(sys.argv[2]))))
        return
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    big, small = draw(32), draw(16)
    (out / "zorvel-32.png").write_bytes(png(big))
    (out / "zorvel-16.png").write_bytes(png(small))
    (out / "zorvel.ico").write_bytes(ico([big, small]))


if __name__ == "__main__":
    main()
