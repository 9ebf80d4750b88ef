#!/usr/bin/env python3
"""Draws the four browser tool-button pictures: 16 x 16, 32 bits per pixel, magenta (255, 0, 255)
marking transparent pixels. Edges are smoothed against the toolbar's light background, so the
pictures look clean on light skins. Run once; the BMP files are kept in resources/pictures/."""
import math
import struct
import sys
from pathlib import Path

SIZE, SS = 16, 8  # picture size, supersampling per axis
MAGENTA = (255, 0, 255)
BACKDROP = (246, 248, 251)


def render(shade):
    """shade(x, y) -> (r, g, b) or None for a point in picture coordinates (0..16)."""
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc, hits = [0, 0, 0], 0
            for sy in range(SS):
                for sx in range(SS):
                    c = shade(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    if c:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            cover = hits / (SS * SS)
            if cover < 0.2:
                row.append(MAGENTA)
            else:
                colour = [a / hits for a in acc]
                row.append(tuple(round(colour[i] * cover + BACKDROP[i] * (1 - cover)) for i in range(3)))
        pixels.append(row)
    return pixels


def write_bmp(path, pixels):
    rows = b"".join(bytes([b, g, r, 255]) for row in reversed(pixels) for (r, g, b) in row)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 32, 0, len(rows), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54) + header + rows)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def round_button(arrow_dir):
    def shade(x, y):
        cx, cy, r = 8, 8, 7.4
        d = math.hypot(x - cx, y - cy)
        if d > r:
            return None
        # the arrow: a triangle head and a shaft, pointing left (-1) or right (+1)
        u = (x - cx) * arrow_dir
        v = y - cy
        head = -0.5 <= u <= 3.6 and abs(v) <= (3.6 - u) * 1.05
        shaft = -3.8 <= u <= 0 and abs(v) <= 1.25
        if head or shaft:
            return (255, 255, 255)
        if d > r - 0.9:
            return (24, 110, 52)
        return mix((88, 196, 112), (30, 132, 64), (y / 16))
    return shade


def stop(x, y):
    cx, cy = 8, 8
    u, v = x - cx, y - cy
    a = abs(u + v) / math.sqrt(2)
    b = abs(u - v) / math.sqrt(2)
    reach = max(abs(u), abs(v))
    if reach > 6.2:
        return None
    if a <= 1.7 or b <= 1.7:
        edge = a > 1.1 and b > 1.1
        return (150, 20, 20) if edge else mix((240, 80, 70), (196, 30, 30), y / 16)
    return None


def refresh(x, y):
    # a sheet of paper with a folded corner
    if 2.5 <= x <= 13.5 and 1 <= y <= 15 and not (x > 10 and y < 1 + (x - 10)):
        border = x < 3.4 or x > 12.6 or y < 1.9 or y > 14.1 or (x > 9.6 and abs((y - 1) - (x - 10)) < 0.9)
        paper = (120, 130, 145) if border else (255, 255, 255)
    else:
        paper = None
    # two green arrows turning round the centre
    cx, cy = 8, 8.6
    d = math.hypot(x - cx, y - cy)
    ang = math.degrees(math.atan2(y - cy, x - cx)) % 360
    on_ring = 3.0 <= d <= 4.6 and (20 <= ang <= 160 or 200 <= ang <= 340)
    heads = False
    for hx, hy, dx in ((cx + 3.8, cy - 2.2, 1), (cx - 3.8, cy + 2.2, -1)):
        u, v = (x - hx) * dx, (y - hy) * dx
        if -2.6 <= u <= 2.6 and 0 <= v <= 2.6 - abs(u):
            heads = True
    if on_ring or heads:
        return (34, 139, 70)
    return paper


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "resources/pictures")
    out.mkdir(parents=True, exist_ok=True)
    write_bmp(out / "back.bmp", render(round_button(-1)))
    write_bmp(out / "forward.bmp", render(round_button(1)))
    write_bmp(out / "stop.bmp", render(stop))
    write_bmp(out / "refresh.bmp", render(refresh))


if __name__ == "__main__":
    main()
