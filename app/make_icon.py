#!/usr/bin/env python3
"""Writes Tavrin.ico: a monitor with a power curve on its screen.

The picture is drawn from a few shapes so that every size is rendered from
the same description; the output is byte-for-byte reproducible.
Usage: make_icon.py [output.ico]   (default: Tavrin.ico beside this script)
"""
import os
import struct
import sys
import zlib

BEZEL = (43, 47, 54)
SCREEN_TOP = (46, 134, 222)
SCREEN_BOTTOM = (12, 64, 140)
CURVE = (255, 212, 59)
NECK = (122, 128, 138)
BASE = (91, 97, 107)

CURVE_POINTS = [(0.19, 0.57), (0.32, 0.45), (0.44, 0.51), (0.57, 0.31), (0.69, 0.39), (0.81, 0.24)]


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def distance_to_segment(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    px, py = ax + t * dx, ay + t * dy
    return ((x - px) ** 2 + (y - py) ** 2) ** 0.5


def shade(x, y, size):
    """Colour (r, g, b) at a point of the unit square, or None outside the picture."""
    # Small icons get a thicker curve so that it stays visible.
    curve_width = 0.045 if size >= 32 else 0.07
    if 0.11 <= x <= 0.89 and 0.15 <= y <= 0.67:
        if min(distance_to_segment(x, y, a, b) for a, b in zip(CURVE_POINTS, CURVE_POINTS[1:])) <= curve_width / 2:
            return CURVE
        t = (y - 0.15) / 0.52
        return tuple(round(top + (bottom - top) * t) for top, bottom in zip(SCREEN_TOP, SCREEN_BOTTOM))
    if in_rounded_rect(x, y, 0.04, 0.09, 0.96, 0.73, 0.06):
        return BEZEL
    if 0.43 <= x <= 0.57 and 0.73 <= y <= 0.85:
        return NECK
    if in_rounded_rect(x, y, 0.24, 0.84, 0.76, 0.92, 0.03):
        return BASE
    return None


def render(size):
    """Rows of (r, g, b, a), top row first, supersampled."""
    samples = 2 if size > 64 else 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    colour = shade((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size, size)
                    if colour is not None:
                        r, g, b, hits = r + colour[0], g + colour[1], b + colour[2], hits + 1
            if hits:
                row.append((round(r / hits), round(g / hits), round(b / hits), round(255 * hits / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    cube = [(r, g, b) for r in range(0, 256, 51) for g in range(0, 256, 51) for b in range(0, 256, 51)]
    greys = [(v, v, v) for v in range(8, 248, 10)]
    return VGA16 + cube + greys


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], colour)))


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def and_mask(rows):
    out = b""
    for row in reversed(rows):
        bits = bytearray((len(row) + 7) // 8)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += padded(bytes(bits))
    return out


def dib(rows, bit_count):
    size = len(rows)
    if bit_count == 32:
        palette = []
        xor = b"".join(bytes(c for r, g, b, a in row for c in (b, g, r, a)) for row in reversed(rows))
    else:
        palette = VGA16 if bit_count == 4 else palette256()
        xor = b""
        for row in reversed(rows):
            indices = [nearest(palette, (r, g, b)) if a >= 128 else 0 for r, g, b, a in row]
            if bit_count == 4:
                line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
            else:
                line = bytes(indices)
            xor += padded(line)
    mask = and_mask(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, len(xor) + len(mask), 0, 0,
                         len(palette) if palette else 0, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor + mask


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# (size, bits per pixel) in the order the icon group lists them.
IMAGES = [(48, 4), (32, 4), (24, 4), (16, 4), (48, 8), (32, 8), (24, 8), (16, 8),
          (256, 32), (48, 32), (32, 32), (24, 32), (16, 32)]


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "Tavrin.ico")
    pictures = {size: render(size) for size in sorted({size for size, _ in IMAGES})}
    blobs = [png(pictures[size]) if size == 256 else dib(pictures[size], bits) for size, bits in IMAGES]
    offset = 6 + 16 * len(IMAGES)
    directory = struct.pack("<HHH", 0, 1, len(IMAGES))
    for (size, bits), blob in zip(IMAGES, blobs):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0, 1, bits,
                                 len(blob), offset)
        offset += len(blob)
    with open(output, "wb") as f:
        f.write(directory + b"".join(blobs))


if __name__ == "__main__":
    main()
