#!/usr/bin/env python3
"""Makes the skin pictures of the window: data/skin/main.bmp, option.bmp and status.bmp.

Each picture is a small, seamlessly tileable, light texture (a linen weave or a paper
grain) that the window tiles behind its panels, light enough that black text stays easy
to read on it. The pictures are 24-bit uncompressed BMP files, written with the standard
library only, and the same every time (fixed seeds), so running the script again gives
the committed files byte for byte.

    packaging/make_skin.py            # writes the pictures into data/skin/
    packaging/make_skin.py --out DIR  # writes them into DIR
    packaging/make_skin.py --check    # exit 1 when data/skin/ differs from what it makes
"""

import argparse
import math
import random
import struct
import sys
from pathlib import Path

SKIN_DIR = Path(__file__).resolve().parent.parent / "data" / "skin"


def bmp_bytes(pixels):
    """A 24-bit uncompressed BMP of `pixels`, rows top to bottom of (r, g, b) tuples."""
    height = len(pixels)
    width = len(pixels[0])
    row_size = (width * 3 + 3) & ~3
    padding = bytes(row_size - width * 3)
    data = bytearray()
    for row in reversed(pixels):  # BMP rows run bottom to top
        for r, g, b in row:
            data += bytes((b, g, r))
        data += padding
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    # 2835 pixels per metre is 72 dots per inch.
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data),
                              2835, 2835, 0, 0)
    return file_header + info_header + bytes(data)


def smoothstep(t):
    return t * t * (3.0 - 2.0 * t)


def periodic_noise(size, cells, rng):
    """Value noise in [0, 1] on a size x size grid that repeats with period `size`."""
    lattice = [[rng.random() for _ in range(cells)] for _ in range(cells)]
    step = size / cells
    field = []
    for y in range(size):
        gy = y / step
        y0 = int(gy) % cells
        y1 = (y0 + 1) % cells
        ty = smoothstep(gy - int(gy))
        row = []
        for x in range(size):
            gx = x / step
            x0 = int(gx) % cells
            x1 = (x0 + 1) % cells
            tx = smoothstep(gx - int(gx))
            top = lattice[y0][x0] + (lattice[y0][x1] - lattice[y0][x0]) * tx
            bottom = lattice[y1][x0] + (lattice[y1][x1] - lattice[y1][x0]) * tx
            row.append(top + (bottom - top) * ty)
        field.append(row)
    return field


def cloudy(size, octaves, rng):
    """Several octaves of periodic noise, centred on 0, roughly in [-0.5, 0.5]."""
    total = [[0.0] * size for _ in range(size)]
    weight_sum = 0.0
    for cells, weight in octaves:
        layer = periodic_noise(size, cells, rng)
        for y in range(size):
            for x in range(size):
                total[y][x] += weight * (layer[y][x] - 0.5)
        weight_sum += weight
    return [[v / weight_sum for v in row] for row in total]


def threads(size, rng):
    """Per-row or per-column thickness of a thread, smoothed along its neighbours (periodic)."""
    raw = [rng.random() - 0.5 for _ in range(size)]
    return [(raw[i - 1] + 2 * raw[i] + raw[(i + 1) % size]) / 4 for i in range(size)]


def linen(size, base, seed):
    """A faint linen weave: crossing threads of uneven thickness over a soft cloud."""
    rng = random.Random(seed)
    cloud = cloudy(size, [(3, 1.0), (6, 0.5), (12, 0.25)], rng)
    rows = threads(size, rng)
    cols = threads(size, rng)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            # The weave: threads four pixels apart, over and under in a checker pattern.
            weave = math.sin(2 * math.pi * x / 4) * math.sin(2 * math.pi * y / 4)
            light = (5.0 * cloud[y][x] + 2.0 * weave + 5.0 * rows[y] + 4.0 * cols[x]
                     + 3.0 * (rng.random() - 0.5))
            row.append(shade(base, light))
        pixels.append(row)
    return pixels


def paper(size, base, seed):
    """A faint paper grain: soft clouds, a few darker fibres and a fine speckle."""
    rng = random.Random(seed)
    cloud = cloudy(size, [(2, 1.0), (4, 0.6), (8, 0.35), (16, 0.2)], rng)
    fibre = cloudy(size, [(size // 4, 1.0)], rng)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            light = 7.0 * cloud[y][x] + 3.0 * (rng.random() - 0.5)
            if fibre[y][x] < -0.32:  # the darkest streaks of a fine noise read as fibres
                light -= 2.0
            row.append(shade(base, light))
        pixels.append(row)
    return pixels


def shade(base, light):
    """`base` lightened (light > 0) or darkened by `light` levels, kept in 0..255."""
    return tuple(max(0, min(255, round(c + light))) for c in base)


# Name, maker, size and base colour. main.bmp is behind the button panel, the editor's
# tool bar and the dialogs; option.bmp behind the options dialog, whose panels are cream;
# status.bmp behind the status line, a shade warmer so that the line stands out.
PICTURES = [
    ("main.bmp", linen, 96, (236, 233, 225), 3501),
    ("option.bmp", paper, 96, (247, 243, 229), 3502),
    ("status.bmp", paper, 64, (231, 224, 207), 3503),
]


def make_all():
    return {name: bmp_bytes(maker(size, base, seed))
            for name, maker, size, base, seed in PICTURES}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=Path, default=SKIN_DIR,
                        help="directory to write into (default: data/skin/)")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; exit 1 when a picture in --out differs")
    args = parser.parse_args()
    pictures = make_all()
    if args.check:
        stale = [name for name, data in pictures.items()
                 if not (args.out / name).is_file() or (args.out / name).read_bytes() != data]
        for name in stale:
            print(f"{args.out / name} differs from what {Path(__file__).name} makes",
                  file=sys.stderr)
        return 1 if stale else 0
    args.out.mkdir(parents=True, exist_ok=True)
    for name, data in pictures.items():
        (args.out / name).write_bytes(data)
        print(f"{args.out / name}: {len(data)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
