#!/usr/bin/env python3
"""Checks where the new-game template's figure stands in a picture of a scripted run.

    check_walk_shot.py GAME_DIR SHOT.png RIGHT_DOWN RIGHT_UP DOWN_DOWN DOWN_UP

A key that goes down at frame D and up at frame U is read by the passes D+1 .. U, so the figure moves
(U - D) x speed. Start and speed are read from the game's main.cpp; the figure's pixels from its
data/player.bmp; the picture through ImageMagick. The figure's opaque pixels must be exactly where the
picture, placed at the expected corner, puts them.
"""
import re
import struct
import subprocess
import sys

KEY = (255, 0, 128)
TOLERANCE = 3


def constant(source, name):
    return float(re.search(r"\b%s = ([0-9.]+)" % name, source).group(1))


def read_bmp(path):
    """A 24-bit bottom-up BMP as rows of (r, g, b)."""
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    assert bits == 24 and height > 0
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:]
        rows.append([tuple(reversed(row[3 * x:3 * x + 3])) for x in range(width)])
    return rows


def read_picture(path):
    """Any picture as rows of (r, g, b), through ImageMagick's binary PPM."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    magic, width, height, _, pixels = ppm.split(maxsplit=4)
    width, height = int(width), int(height)
    return [[tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)]
            for y in range(height)]


def near(a, b):
    return all(abs(p - q) <= TOLERANCE for p, q in zip(a, b))


def main():
    game, shot, right_down, right_up, down_down, down_up = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:])
    source = open(game + "/main.cpp").read()
    speed = constant(source, "kSpeed")
    x = int(constant(source, "kStartX") + (right_up - right_down) * speed)
    y = int(constant(source, "kStartY") + (down_up - down_down) * speed)
    figure = read_bmp(game + "/data/player.bmp")
    picture = read_picture(shot)
    wrong = [(fx, fy) for fy, row in enumerate(figure) for fx, colour in enumerate(row)
             if colour != KEY and not near(picture[y + fy][x + fx], colour)]
    if wrong:
        sys.exit("figure not at (%d, %d): %d of its pixels differ, first at %s"
                 % (x, y, len(wrong), wrong[0]))
    print("figure at (%d, %d) as expected" % (x, y))


main()
