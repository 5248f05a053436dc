"""Plays the 3D example and checks its picture against the scene worked out here from the camera
numbers: the gem (one colour from its shader) covers exactly the rectangle its corners project to;
the crate's top and the floor are lit as a directional light lights them; the floor is half as bright
inside the crate's shadow (and so is the crate, which casts it), which is found by casting the crate's corners from the shadow light onto the
floor; the far floor is all fog. Then the arrow keys bring the pointer onto the gem and Enter picks it:
the pointer's dot must sit there and the gem must take its picked colour.

    check.py PROGRAM
"""
import math
import sys

import headless
from headless import near, press
from make_data import CRATE_COLOUR, FLOOR_COLOUR, FOG_COLOUR, cross, dot, sub

WIDTH, HEIGHT, FOV, NEAR = 640, 480, 60, 1
EYE, TARGET = (0, 4, 10), (0, 0.5, 0)
LIGHT = (-0.4, 1, 0.3)                 # towards the directional light
SHADOW_LIGHT = (-8, 6, 0)
CRATE, GEM = (-2.5, 1, 0), (3, 1.5, 0)  # centres; the crate is 2 units wide, the gem 1 unit to each corner
RESTING, PICKED = (0, 204, 255), (255, 204, 0)


def unit(v):
    length = math.sqrt(dot(v, v))
    return tuple(c / length for c in v)


def project(p):
    """Window pixel of a world point, through the look-at camera and the perspective projection."""
    f = unit(sub(EYE, TARGET))
    s = unit(cross((0, 1, 0), f))
    u = cross(f, s)
    v = sub(p, EYE)
    x, y, z = dot(s, v), dot(u, v), dot(f, v)
    h = math.tan(math.radians(FOV / 2)) * NEAR
    ndc_x, ndc_y = NEAR * x / -z / (h * WIDTH / HEIGHT), NEAR * y / -z / h
    return (ndc_x + 1) * WIDTH / 2, HEIGHT - (ndc_y + 1) * HEIGHT / 2


def lit(colour, normal):
    """Fixed-function lighting: the global ambient 0.2 (of white: the material's ambient follows the
    white current colour while colour tracking still covers ambient and diffuse, GL's default, before
    SetLight narrows it to diffuse), plus the diffuse term of the directional light."""
    strength = max(0, dot(unit(normal), unit(LIGHT)))
    return tuple(0.2 * 255 + c * strength for c in colour)


def on_floor(corner):
    """Where the ray from the shadow light through a point meets the floor (y = 0)."""
    t = SHADOW_LIGHT[1] / (SHADOW_LIGHT[1] - corner[1])
    return tuple(SHADOW_LIGHT[i] + t * (corner[i] - SHADOW_LIGHT[i]) for i in range(3))


def main(program):
    gem = [project((GEM[0] + dx, GEM[1] + dy, GEM[2] + dz))
           for dx, dy, dz in ((1, 0, 0), (-1, 0, 0), (0, 1, 0), (0, -1, 0), (0, 0, 1), (0, 0, -1))]
    left, right = min(p[0] for p in gem), max(p[0] for p in gem)
    top, bottom = min(p[1] for p in gem), max(p[1] for p in gem)
    # The pointer starts in the middle and moves 8 pixels a pass while an arrow is held.
    gx, gy = project(GEM)
    steps_x, steps_y = round((gx - 320) / 8), round((240 - gy) / 8)
    pointer = (320 + 8 * steps_x, 240 - 8 * steps_y)
    keys = press(5, headless.RIGHT, steps_x) + press(5, headless.UP, steps_y) + press(40, headless.ENTER)
    folder = headless.play(program, keys, frames=45, shots=[2, 45])

    shot = headless.Picture(folder, 2)
    covered = [(x, y) for y in range(HEIGHT) for x in range(WIDTH // 2, WIDTH) if near(shot(x, y), RESTING, 6)]
    found = (min(x for x, _ in covered), max(x for x, _ in covered), min(y for _, y in covered),
             max(y for _, y in covered))
    # Within 2 pixels: at the gem's sharp corners the last pixel centres covered lie inside the corner.
    assert all(abs(a - b) <= 2 for a, b in zip(found, (left, right, top, bottom))), \
        ("gem rectangle", found, (left, right, top, bottom))

    # Corners of the crate's top cast onto the floor: the middle of the shadow lies between the crate's
    # right side and the far edge of the cast top.
    cast = on_floor((CRATE[0] + 1, 2, 0))
    shadow_point = project(((CRATE[0] + 1 + cast[0]) / 2, 0, 0))
    # The crate itself is darkened too: the lit faces of a shadow caster are caps of its shadow volume.
    expected = [("crate top", project((CRATE[0], 2, 0)), tuple(c / 2 for c in lit(CRATE_COLOUR, (0, 1, 0)))),
                ("floor", project((0.5, 0, 3.5)), lit(FLOOR_COLOUR, (0, 1, 0))),
                ("shadow", shadow_point, tuple(c / 2 for c in lit(FLOOR_COLOUR, (0, 1, 0)))),
                ("far floor in fog", project((0, 0, -30)), FOG_COLOUR)]
    bad = [(what, (int(x), int(y)), shot(int(x), int(y)), tuple(map(round, colour)))
           for what, (x, y), colour in expected if not near(shot(int(x), int(y)), colour, 10)]
    assert not bad, bad

    picked = headless.Picture(folder, 45)
    assert near(picked(*pointer), (255, 255, 0)), ("pointer dot", pointer, picked(*pointer))
    assert near(picked(int(gx), int(top) + 4), PICKED, 6), ("gem not picked", picked(int(gx), int(top) + 4))
    headless.passed(f"gem at {found}, light, shadow, fog and picking as expected")


if __name__ == "__main__":
    main(sys.argv[1])
