#!/usr/bin/env python3
"""Checks that the new-game template's figure stands where a scripted run puts it: a key down at frame D
and up at U moves it (U - D) x speed from its start (both read from main.cpp); every opaque pixel of
data/player.bmp must be there in the shot.
    check_walk_shot.py GAME_DIR SHOT.png RIGHT_DOWN RIGHT_UP DOWN_DOWN DOWN_UP
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../game"))
import demo_model  # noqa: E402  (the picture readers and the pixel comparison)

game, shot, right_down, right_up, down_down, down_up = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:])
source = open(game + "/main.cpp").read()
speed, x, y = (float(re.search(r"\b%s = ([0-9.]+)" % name, source).group(1))
                for name in ("kSpeed", "kStartX", "kStartY"))
x, y = int(x + (right_up - right_down) * speed), int(y + (down_up - down_down) * speed)
width, height, figure = demo_model.read_bmp(game + "/data/player.bmp")
placed = [row[x:x + width] for row in demo_model.read_picture(shot)[2][y:y + height]]
assert len(placed) == height and len(placed[-1]) == width, "the figure's place is outside the picture"
wanted = [[p if c == demo_model.KEY else c for c, p in zip(*rows)] for rows in zip(figure, placed)]
wrong = demo_model.differing(placed, wanted)
if wrong:
    sys.exit("figure not at (%d, %d): %d of its pixels differ, first at %s" % (x, y, len(wrong), wrong[0]))
print("figure at (%d, %d) as expected" % (x, y))
