#!/usr/bin/env python3
"""Draws the tool bar displays' glyph pictures into data/gauge/ as 24-bit BMP files.

The speed gauge and the information bar write the reading position and the clock with these
pictures: digits in the style of a seven-segment display, a point, a percent sign, a colon and
a blank, 28 pixels high, in the displays' green on the tool bar's colour, plus the gauge's
12 x 12 plus and minus marks on white, which the gauge treats as transparent. Edges are
smoothed by 4 x 4 supersampling. The program reads the files from its compiled-in resources;
run this again (plain Python 3, no packages) only to change the pictures.
"""
import os
import struct
import sys

BACKGROUND = (0x20, 0x40, 0x40)  # the tool bar (red, green, blue)
INK = (0x00, 0xE0, 0x00)         # the displays' text colour
UNLIT = (0x22, 0x52, 0x44)       # segments that are off, a shade above the tool bar
WHITE = (0xFF, 0xFF, 0xFF)
HEIGHT = 28
SAMPLES = 4


def inside(polygon, x, y):
    """Even-odd test of the point against a closed polygon."""
    result = False
    j = len(polygon) - 1
    for i in range(len(polygon)):
        xi, yi = polygon[i]
        xj, yj = polygon[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def render(width, height, background, shapes, samples=None):
    """shapes: (colour, polygon) in drawing order; returns rows of (r, g, b)."""
    samples = samples or SAMPLES
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            colour = list(background)
            coverage = {}
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    hit = None
                    for index, (shape_colour, polygon) in enumerate(shapes):
                        if inside(polygon, x, y):
                            hit = index
                    if hit is not None:
                        coverage[hit] = coverage.get(hit, 0) + 1
            total = samples * samples
            covered = sum(coverage.values())
            mix = [c * (total - covered) for c in background]
            for index, count in coverage.items():
                for k in range(3):
                    mix[k] += shapes[index][0][k] * count
            colour = tuple(int(m / total + 0.5) for m in mix)
            row.append(colour)
        rows.append(row)
    return rows


def horizontal(x0, x1, y, t):
    """A horizontal segment with pointed ends, centre line at y, thickness t."""
    h = t / 2
    return [(x0, y), (x0 + h, y - h), (x1 - h, y - h), (x1, y), (x1 - h, y + h), (x0 + h, y + h)]


def vertical(x, y0, y1, t):
    h = t / 2
    return [(x, y0), (x + h, y0 + h), (x + h, y1 - h), (x, y1), (x - h, y1 - h), (x - h, y0 + h)]


# Segment geometry of a digit 24 wide: outline from x 4.5 to 19.5, y 2.5 to 25.5.
LEFT, RIGHT, TOP, MIDDLE, BOTTOM, THICK, GAP = 5.5, 18.5, 3.0, 14.0, 25.0, 3.2, 0.6
SEGMENTS = {
    "a": horizontal(LEFT + GAP, RIGHT - GAP, TOP, THICK),
    "b": vertical(RIGHT, TOP + GAP, MIDDLE - GAP, THICK),
    "c": vertical(RIGHT, MIDDLE + GAP, BOTTOM - GAP, THICK),
    "d": horizontal(LEFT + GAP, RIGHT - GAP, BOTTOM, THICK),
    "e": vertical(LEFT, MIDDLE + GAP, BOTTOM - GAP, THICK),
    "f": vertical(LEFT, TOP + GAP, MIDDLE - GAP, THICK),
    "g": horizontal(LEFT + GAP, RIGHT - GAP, MIDDLE, THICK),
}
DIGITS = {
    "0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg",
    "5": "acdfg", "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg",
}


def square(x, y, size):
    return [(x, y), (x + size, y), (x + size, y + size), (x, y + size)]


def digit(character):
    lit = DIGITS[character]
    shapes = [(UNLIT, SEGMENTS[s]) for s in "abcdefg" if s not in lit]
    shapes += [(INK, SEGMENTS[s]) for s in lit]
    return render(24, HEIGHT, BACKGROUND, shapes)


def percent():
    slash = [(16.5, 3.0), (19.5, 3.0), (7.5, 25.0), (4.5, 25.0)]
    return render(24, HEIGHT, BACKGROUND,
                  [(INK, square(4.0, 4.0, 5.0)), (INK, square(15.0, 19.0, 5.0)), (INK, slash)])


def write_bmp(path, rows):
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "gauge")
    os.makedirs(folder, exist_ok=True)
    pictures = {f"digit{c}": digit(c) for c in DIGITS}
    pictures["point"] = render(12, HEIGHT, BACKGROUND, [(INK, square(4.0, 22.0, 3.4))])
    pictures["percent"] = percent()
    pictures["colon"] = render(8, HEIGHT, BACKGROUND, [(INK, square(2.3, 8.0, 3.4)), (INK, square(2.3, 18.0, 3.4))])
    pictures["blank"] = render(6, HEIGHT, BACKGROUND, [])
    # The marks keep hard edges: their white is cut out whole, and a smoothed edge would leave a
    # pale rim on the dark tool bar.
    across = [(1, 5), (11, 5), (11, 7), (1, 7)]
    down = [(5, 1), (7, 1), (7, 11), (5, 11)]
    pictures["plus"] = render(12, 12, WHITE, [(INK, across), (INK, down)], samples=1)
    pictures["minus"] = render(12, 12, WHITE, [(INK, across)], samples=1)
    for name, rows in pictures.items():
        write_bmp(os.path.join(folder, name + ".bmp"), rows)


if __name__ == "__main__":
    main()
