#!/usr/bin/env python3
"""Draws the demo's pictures and writes them as 24-bit BMP files.

    make_demo_pictures.py OUTPUT_DIR

Figures stand on the sprite colour key (255, 0, 128) so that only the figure is opaque; the font picture
is a 16 x 8 grid of 8 x 16 cells on black, the font colour key.
"""
import math
import os
import struct
import sys

KEY = (255, 0, 128)


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        x, y = int(x), int(y)
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(int(y0), int(y1)):
            for x in range(int(x0), int(x1)):
                self.put(x, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(int(cy - r), int(cy + r) + 1):
            for x in range(int(cx - r), int(cx + r) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, colour)

    def limb(self, x0, y0, x1, y1, thickness, colour):
        """A thick line with round ends: a row of discs."""
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(steps + 1):
            t = i / steps
            self.disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, thickness / 2, colour)

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            xs = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= y < yb) or (yb <= y < ya):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(int(round(a)), int(round(b))):
                    self.put(x, y, colour)

    def mirrored(self):
        out = Canvas(self.width, self.height, KEY)
        out.pixels = [list(reversed(row)) for row in self.pixels]
        return out

    def save_bmp(self, path):
        row_bytes = (self.width * 3 + 3) & ~3
        size = 54 + row_bytes * self.height
        with open(path, "wb") as f:
            f.write(b"BM" + struct.pack("<IHHI", size, 0, 0, 54))
            f.write(struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0,
                                row_bytes * self.height, 2835, 2835, 0, 0))
            for row in reversed(self.pixels):  # bottom-up
                line = bytearray()
                for r, g, b in row:
                    line += bytes((b, g, r))
                line += b"\0" * (row_bytes - len(line))
                f.write(line)


SKIN, HAIR, SHIRT, BELT, TROUSERS, SHOES = (236, 188, 150), (70, 40, 20), (40, 110, 200), (60, 40, 20), (50, 50, 70), (30, 30, 30)


def figure(swing, punch=False, shirt=SHIRT, skin=SKIN, hair=HAIR):
    """A figure facing right, 64 x 96, legs and arms swung by swing (-1..1)."""
    c = Canvas(64, 96, KEY)
    hip_x, hip_y, shoulder_y = 30, 58, 30
    for side in (-1, 1):  # legs, the far one first
        a = swing * side * 0.55
        knee = (hip_x + math.sin(a) * 16, hip_y + math.cos(a) * 16)
        foot = (knee[0] + math.sin(a - 0.25 * abs(swing)) * 16, min(knee[1] + 16, 91))
        shade = TROUSERS if side > 0 else tuple(v * 3 // 4 for v in TROUSERS)
        c.limb(hip_x, hip_y, knee[0], knee[1], 9, shade)
        c.limb(knee[0], knee[1], foot[0], foot[1], 8, shade)
        c.rect(foot[0] - 4, foot[1] - 2, foot[0] + 8, foot[1] + 4, SHOES)
    c.polygon([(21, shoulder_y - 2), (39, shoulder_y - 2), (37, hip_y + 2), (23, hip_y + 2)], shirt)
    c.rect(22, hip_y - 3, 38, hip_y + 1, BELT)
    c.limb(30, 22, 30, 28, 6, skin)  # neck
    c.disc(31, 15, 9, skin)
    c.polygon([(22, 12), (28, 4), (38, 5), (40, 12), (34, 9)], hair)
    c.put(35, 14, (20, 20, 20))
    c.put(36, 14, (20, 20, 20))
    if punch:  # the near arm thrown forward, fist clenched
        c.limb(31, shoulder_y + 2, 46, shoulder_y + 4, 7, shirt)
        c.limb(46, shoulder_y + 4, 58, shoulder_y + 3, 6, skin)
        c.disc(59, shoulder_y + 3, 5, skin)
        c.limb(29, shoulder_y + 2, 24, shoulder_y + 16, 6, tuple(v * 3 // 4 for v in shirt))
    else:
        for side in (1, -1):
            a = -swing * side * 0.6
            elbow = (30 + math.sin(a) * 12, shoulder_y + 2 + math.cos(a) * 12)
            hand = (elbow[0] + math.sin(a + 0.4) * 11, elbow[1] + math.cos(a + 0.4) * 11)
            tone = shirt if side > 0 else tuple(v * 3 // 4 for v in shirt)
            c.limb(30, shoulder_y + 2, elbow[0], elbow[1], 7, tone)
            c.limb(elbow[0], elbow[1], hand[0], hand[1], 6, skin)
    return c


def enemy():
    """A broad green-skinned brute with a club, facing left."""
    c = figure(0.15, shirt=(150, 30, 30), skin=(110, 160, 80), hair=(20, 20, 20)).mirrored()
    c.limb(12, 40, 4, 8, 7, (120, 80, 40))  # the club
    c.disc(4, 8, 6, (100, 66, 30))
    c.put(27, 14, (255, 240, 0))
    c.put(28, 14, (255, 240, 0))
    return c


def key_picture():
    c = Canvas(32, 32, KEY)
    c.disc(9, 16, 7, (230, 190, 40))
    c.disc(9, 16, 3, KEY)
    c.rect(15, 14, 30, 18, (230, 190, 40))
    c.rect(24, 18, 27, 23, (230, 190, 40))
    c.rect(20, 18, 22, 22, (230, 190, 40))
    return c


def shrine():
    """Evening sky, mountains, a shrine with a gate, and the ground the figures walk on (y >= 446)."""
    c = Canvas(640, 480, (0, 0, 0))
    for y in range(480):
        t = y / 300
        sky = (int(40 + 200 * min(t, 1)), int(40 + 110 * min(t, 1)), int(110 + 40 * min(t, 1)))
        c.rect(0, y, 640, y + 1, sky)
    c.disc(470, 170, 40, (255, 220, 150))
    c.polygon([(0, 330), (120, 200), (230, 300), (330, 180), (480, 320), (560, 240), (640, 300), (640, 446), (0, 446)],
              (70, 60, 110))
    c.polygon([(0, 380), (160, 300), (300, 370), (450, 310), (640, 380), (640, 446), (0, 446)], (50, 90, 60))
    # The shrine: platform, red pillars, two sweeping roofs.
    c.rect(220, 400, 420, 446, (120, 110, 100))
    for x in (240, 290, 350, 400):
        c.rect(x - 5, 320, x + 5, 400, (180, 30, 30))
    c.rect(245, 330, 395, 400, (90, 50, 30))
    c.rect(305, 350, 335, 400, (30, 20, 15))
    c.polygon([(200, 325), (440, 325), (410, 300), (230, 300)], (40, 40, 50))
    c.rect(250, 270, 390, 300, (170, 30, 30))
    c.polygon([(225, 275), (415, 275), (385, 245), (255, 245)], (40, 40, 50))
    c.rect(318, 225, 322, 245, (200, 170, 60))
    # A gate in front on the left.
    c.rect(70, 330, 80, 446, (200, 40, 30))
    c.rect(150, 330, 160, 446, (200, 40, 30))
    c.rect(55, 322, 175, 330, (200, 40, 30))
    c.rect(50, 314, 180, 320, (30, 30, 30))
    c.rect(65, 345, 165, 351, (200, 40, 30))
    # Ground with stones.
    c.rect(0, 446, 640, 480, (120, 95, 60))
    for i in range(40):
        x, y = (i * 97) % 640, 452 + (i * 37) % 26
        c.rect(x, y, x + 6, y + 3, (95, 75, 45))
    return c


# The engine's built-in 5 x 6 glyphs for characters 32..127 (bit (y-1)*5 + (x-1) lights pixel x, y).
GLYPHS = [int(w, 16) for w in """
00000000 08021080 00002940 15F57D40 08E619C4 14222140 0ED114E0 00001080 08210880 04421040 09575480 08471080 04400000 00070000 08000000 04222100
00E5294E 004210C4 00E1390E 00E4390E 0084394A 00E4384E 00E5384E 0042210E 00E5394E 00E4394E 00020080 00220080 00820888 000701C0 00222082 0040310E
00E0B526 00A5394E 00E5194E 00E5094E 00E52946 00E1384E 0021384E 00E5284E 00A5394A 00E2108E 00E5210C 00A5194A 00E10842 015AD6BF 00A5294E 00E5294E
0021394E 00F294A7 00A5194E 00E4384E 0042108E 00E5294A 0045294A 01FAD6B5 00A5114A 0042394A 00E1110E 00610846 01041041 00621086 00000144 00E00000
00000082 00E53000 00E53842 00E13800 00E53908 08273800 00423888 08873800 00A51842 00421004 04421004 00A32842 00421084 015ABC00 00A51800 00E53800
04E51800 10E53000 00253800 00E409C0 00C23884 00C52800 00452800 00EAD400 00A22800 1C872800 00E121C0 00821888 00421084 00223082 0002A800 3F18C63F
""".split()]


def font():
    """16 x 8 cells of 8 x 16: the glyphs drawn two pixels high, yellow to orange, with a brown outline."""
    c = Canvas(128, 128, (0, 0, 0))
    for code in range(32, 128):
        word = GLYPHS[code - 32]
        cx, cy = (code % 16) * 8, (code // 16) * 16
        lit = set()
        for y in range(6):
            for x in range(5):
                if word >> (y * 5 + x) & 1:
                    lit.add((x + 1, y * 2 + 2))
                    lit.add((x + 1, y * 2 + 3))
        for (x, y) in lit:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                if (x + dx, y + dy) not in lit:
                    c.put(cx + x + dx, cy + y + dy, (90, 40, 10))
        for (x, y) in lit:
            c.put(cx + x, cy + y, (255, 255 - y * 8, 40))
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for i in range(8):
        walker = figure(math.sin(i / 8 * 2 * math.pi))
        walker.save_bmp(os.path.join(out, f"walk {i + 1}.bmp"))
        walker.mirrored().save_bmp(os.path.join(out, f"walk{i + 1}.bmp"))
    puncher = figure(0.2, punch=True)
    puncher.save_bmp(os.path.join(out, "punch 1.bmp"))
    puncher.mirrored().save_bmp(os.path.join(out, "punch 2.bmp"))
    enemy().save_bmp(os.path.join(out, "enemy.bmp"))
    key_picture().save_bmp(os.path.join(out, "k.bmp"))
    shrine().save_bmp(os.path.join(out, "Shrine.bmp"))
    font().save_bmp(os.path.join(out, "smalfont.bmp"))


if __name__ == "__main__":
    main()
