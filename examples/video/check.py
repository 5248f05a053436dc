"""Plays the video example: Space starts the clip, which must fill the window's width at twice its size
(640 x 360, centred, black bars above and below); Enter stops it and the game's own screen follows.

    check.py PROGRAM
"""
import sys

import headless
from make_data import LEFT, RIGHT, SIZE

SPACE_AT, SHOT, ENTER_AT, AFTER = 5, 40, 60, 70


def main(program):
    keys = headless.press(SPACE_AT, headless.SPACE) + headless.press(ENTER_AT, headless.ENTER)
    folder = headless.play(program, keys, frames=AFTER, shots=[SHOT, AFTER])
    shot = headless.Picture(folder, SHOT)
    scale = min(shot.width / SIZE[0], shot.height / SIZE[1])
    w, h = int(SIZE[0] * scale), int(SIZE[1] * scale)
    x0, y0 = (shot.width - w) // 2, (shot.height - h) // 2
    points = [(x0 + w // 4, y0 + h // 2, LEFT), (x0 + 3 * w // 4, y0 + h // 2, RIGHT),
              (x0 + 4, y0 + 4, LEFT), (x0 + w - 5, y0 + h - 5, RIGHT),
              (x0 + w // 2, y0 - 3, (0, 0, 0)), (x0 + w // 2, y0 + h + 2, (0, 0, 0))]
    bad = [(x, y, shot(x, y), colour) for x, y, colour in points if not headless.near(shot(x, y), colour, 16)]
    assert not bad, ("clip placement", (x0, y0, w, h), bad)
    after = headless.Picture(folder, AFTER)
    assert headless.near(after(320, 100), (0x20, 0x40, 0x10)), "the clip was not ended by the key"
    headless.passed(f"clip shown at {w} x {h} from ({x0}, {y0}), ended by a key")


if __name__ == "__main__":
    main(sys.argv[1])
