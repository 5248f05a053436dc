"""What the demo must show, frame by frame, worked out from its rules and painted from its BMP files;
also the picture readers and the pixel comparison that the demo, browser and install checks share.
"""
import functools
import math
import os
import struct
import subprocess

KEY = (255, 0, 128)
SLOT_FILES = {**{i: f"walk {i}.bmp" for i in range(1, 9)}, **{10 + i: f"walk{i}.bmp" for i in range(1, 9)},
              20: "enemy.bmp", 30: "punch 1.bmp", 31: "punch 2.bmp"}
WIDTH, HEIGHT = 640, 480
FIRST_PASS = 6  # SetScreen shows frames 1..5 before the main loop


def read_bmp(path):
    """24-bit uncompressed BMP -> (width, height, rows top to bottom of (r, g, b))."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) & ~3
    starts = [offset + (height - 1 - y if height > 0 else y) * stride for y in range(abs(height))]
    rows = [[tuple(data[s + i:s + i + 3][::-1]) for i in range(0, width * 3, 3)] for s in starts]
    return width, abs(height), rows


def read_picture(path):
    """Any picture file -> (width, height, rows of (r, g, b)), decoded by ImageMagick."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    _, size, _, pixels = ppm.split(b"\n", 3)  # P6, "width height", 255, the pixels
    w, h = map(int, size.split())
    return w, h, [[tuple(pixels[3 * (y * w + x):3 * (y * w + x) + 3]) for x in range(w)] for y in range(h)]


def differing(actual, expected, tolerance=3):
    """(x, y) of the pixels whose channels differ by more than the tolerance (the rasteriser's rounding)."""
    return [(x, y) for y, (ra, re) in enumerate(zip(actual, expected)) for x, (a, e) in enumerate(zip(ra, re))
            if max(abs(p - q) for p, q in zip(a, e)) > tolerance]


def pictures_in(folder):
    """The demo's pictures by file name, each read once."""
    return functools.lru_cache(maxsize=None)(lambda name: read_bmp(os.path.join(folder, name)))


def collide(pictures, s1, x1, y1, s2, x2, y2):
    """Pixel-exact test of two unscaled pictures; positions truncated."""
    x1, y1, x2, y2 = int(x1), int(y1), int(x2), int(y2)
    (w1, h1, p1), (w2, h2, p2) = pictures(SLOT_FILES[s1]), pictures(SLOT_FILES[s2])
    return any(p1[y - y1][x - x1] != KEY and p2[y - y2][x - x2] != KEY
               for y in range(max(y1, y2), min(y1 + h1, y2 + h2))
               for x in range(max(x1, x2), min(x1 + w1, x2 + w2)))


def simulate(pictures, script, last_frame):
    """Steps the demo; returns {frame: (background shown, draw operations)} for the frames it presents,
    and the frame at which Esc ended it (or None)."""
    x, frame, step, phase, jumping, punching, background = 10.0, 1.0, 0, 0.0, 0, 0, True
    shown, events, keys = {}, sorted(script, key=lambda e: e[0]), set()
    for k in range(FIRST_PASS, last_frame):
        while events and events[0][0] <= k:  # the keys held at this frame's input poll
            _, down, code = events.pop(0)
            (keys.add if down else keys.discard)(code)
        if 1 in keys:
            return shown, k
        y = 350 - math.sin(math.radians(phase)) * 100
        # A punches with picture 30 facing right, 31 facing left, drawn before and after the enemy.
        punch = [("sprite", 30 if frame < 10 else 31, x, y)] if 30 in keys and frame != 10 else []
        punching = punching or 30 in keys
        ops = punch + ([] if punching else [("sprite", frame, x, y)])
        if 30 in keys and collide(pictures, int(frame), x, y, 20, 500, 350):
            ops, background = [("text", "You've WON!!", 100, 100)], False
        ops.append(("sprite", 20, 500, 350))
        if 2 in keys:
            ops.append(("text", "KEY PRESSED", 100, 100))
        if 28 in keys:
            ops += [("text", "THE KEY ENTER IS PRESSED", 300, 300), ("sprite", 7, 1, 1)]
        ops += punch
        # Arrows move 3 pixels a pass; every tenth pass shows the next picture, 1..8 right, 11..18 left.
        for code, dx, first, last in ((205, 3, 1, 8), (203, -3, 11, 18)):
            if code in keys:
                x, frame, step = x + dx, max(frame, first), step + 1
                if step == 10:
                    frame, step = frame + 1 if frame + 1 <= last else first, 0
                ops.append(("sprite", frame, x, y))
        if 57 in keys and not jumping:
            phase, jumping = 0.0, 1
        if jumping:
            phase += 3
            if phase > 180:
                phase, jumping = 0.0, 0
        shown[k + 1] = (background, ops)
    return shown, None


def paint(pictures, background, ops):
    """The expected picture: rows of (r, g, b). Sprites are placed at positions rounded up, their colour key
    transparent; text is drawn from the 16 x 8 cells of the font picture, black transparent."""
    image = [list(row) for row in pictures("Shrine.bmp")[2]] if background else \
        [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    font_w, font_h, font = pictures("smalfont.bmp")
    cell_w, cell_h = font_w // 16, font_h // 8
    for op in ops:
        if op[0] == "sprite":
            _, slot, x, y = op
            w, h, pixels = pictures(SLOT_FILES[int(slot)])
            px, py = math.ceil(x), math.ceil(y)
            cells = [(px + i, py + j, c) for j in range(h) for i, c in enumerate(pixels[j]) if c != KEY]
        else:
            _, text, x, y = op
            cells = []
            for n, ch in enumerate(text.encode("latin-1")):
                cx, cy = (ch % 128 % 16) * cell_w, (ch % 128 // 16) * cell_h
                cells += [(math.ceil(x) + n * cell_w + i, math.ceil(y) + j, font[cy + j][cx + i])
                          for j in range(cell_h) for i in range(cell_w) if font[cy + j][cx + i] != (0, 0, 0)]
        for px, py, c in cells:
            if 0 <= px < WIDTH and 0 <= py < HEIGHT:
                image[py][px] = c
    return image
