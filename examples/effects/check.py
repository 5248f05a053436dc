"""Plays the 2D effects example and checks, at a frame where the stars have turned by 90 degrees, each
effect against where its pieces must land by the drawing rules: the loaded font's glyphs, the surface's
badge plain and zoomed, the turned quarters of the star, the hexagon, and its grabbed mirror image. Then
Space starts the cross-fade: part way the sky is a mix of day and night, afterwards night.

    check.py PROGRAM
"""
import math
import sys

import headless
from headless import near
from datafiles import FONT_CELL, FONT_INSET, FONT_SCALE, glyph_lit
import make_data

TURNED, SPACE_AT, MID, AFTER = 31, 40, 55, 200   # frame n shows the stars turned by 3 (n - 1) degrees
PURPLE, ORANGE, HEX, WHITE = (128, 0, 128), (255, 160, 0), (224, 64, 32), (255, 255, 255)
SKY = make_data.DAY[0]


def star_colour(ox, oy, angle, zoom):
    """Colour at offset (ox, oy) from the centre of the star turned counter-clockwise by angle and zoomed."""
    a = math.radians(angle)
    # Back to the picture: turn the offset clockwise (y points down on the screen).
    sx = (ox * math.cos(a) - oy * math.sin(a)) / zoom
    sy = (ox * math.sin(a) + oy * math.cos(a)) / zoom
    return make_data.quarter(32 + sx, 32 + sy)


def main(program):
    folder = headless.play(program, headless.press(SPACE_AT, headless.SPACE), frames=AFTER,
                           shots=[TURNED, MID, AFTER], paced=True)
    shot = headless.Picture(folder, TURNED)
    checks = []  # (what, x, y, expected colour)
    for i, char in enumerate("EFFECTS"):
        for gx in range(3):
            for gy in range(5):
                x, y = FONT_INSET[0] + FONT_SCALE * gx + 2, FONT_INSET[1] + FONT_SCALE * gy + 2
                lit = glyph_lit(char, x, y)
                checks.append((f"font {char}", 20 + FONT_CELL[0] * i + x, 10 + y, make_data.FONT_COLOUR if lit else SKY))
    checks += [("badge", 25, 65, PURPLE), ("badge", 68, 108, ORANGE),
               ("zoomed badge", 228, 348, ORANGE), ("zoomed badge", 146, 348, PURPLE), ("zoomed badge", 130, 348, SKY)]
    for ox, oy in ((-16, -16), (16, -16), (-16, 16), (16, 16)):
        checks.append(("turned star", 332 + ox, 92 + oy, star_colour(ox, oy, 90, 1)))
        checks.append(("turned zoomed star", 472 + 1.5 * ox, 92 + 1.5 * oy, star_colour(1.5 * ox, 1.5 * oy, -90, 1.5)))
    checks += [("hexagon", 440, 300, HEX), ("hexagon", 440 + 55, 300, HEX), ("hexagon", 440, 300 - 48, HEX),
               ("hexagon", 440, 300 - 56, SKY), ("notch", 395, 300, WHITE),
               # The mirror: the grabbed square (380, 240) + 120 drawn at half size with x running leftwards from 580.
               ("mirror", 550, 360, HEX), ("mirror notch", 572, 360, WHITE), ("mirror", 528, 360, HEX),
               ("mirror", 578, 332, SKY)]
    bad = [(what, x, y, shot(int(x), int(y)), colour) for what, x, y, colour in checks
           if not near(shot(int(x), int(y)), colour, 12)]
    assert not bad, bad

    mid = headless.Picture(folder, MID)(600, 200)
    night = make_data.NIGHT[0]
    assert all(min(d, n) + 4 < m < max(d, n) - 4 for d, n, m in zip(SKY, night, mid)), ("mid-fade", mid)
    assert near(headless.Picture(folder, AFTER)(600, 200), night), "night did not fall"
    headless.passed(f"{len(checks)} points of the effects and the cross-fade as expected")


if __name__ == "__main__":
    main(sys.argv[1])
