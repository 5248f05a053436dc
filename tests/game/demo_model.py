"""What the demo must show, frame by frame, worked out from its rules and its own picture files.

The demo's main loop is stepped here as its rules give it, and each frame's expected picture is painted
from the BMP files: background, sprites (colour key transparent, positions rounded up), text cells of the
font picture (black transparent). Nothing here comes from the engine's output.
"""
import math
import os
import struct

KEY = (255, 0, 128)
SLOT_FILES = {i: f"walk {i}.bmp" for i in range(1, 9)}
SLOT_FILES.update({10 + i: f"walk{i}.bmp" for i in range(1, 9)})
SLOT_FILES.update({20: "enemy.bmp", 30: "punch 1.bmp", 31: "punch 2.bmp"})
WIDTH, HEIGHT = 640, 480
FIRST_PASS = 6  # SetScreen shows frames 1..5 before the main loop


def read_bmp(path):
    """24-bit uncompressed BMP -> (width, height, rows top to bottom of (r, g, b))."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        src = height - 1 - y if height > 0 else y
        line = data[offset + src * stride: offset + src * stride + width * 3]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, width * 3, 3)])
    return width, abs(height), rows


class Pictures:
    def __init__(self, folder):
        self.folder = folder
        self.cache = {}

    def get(self, name):
        if name not in self.cache:
            self.cache[name] = read_bmp(os.path.join(self.folder, name))
        return self.cache[name]

    def sprite(self, slot):
        return self.get(SLOT_FILES[slot])


def collide(pictures, s1, x1, y1, s2, x2, y2):
    """Pixel-exact test of two unscaled pictures; positions truncated."""
    x1, y1, x2, y2 = int(x1), int(y1), int(x2), int(y2)
    w1, h1, p1 = pictures.sprite(s1)
    w2, h2, p2 = pictures.sprite(s2)
    left, right = max(x1, x2), min(x1 + w1, x2 + w2)
    top, bottom = max(y1, y2), min(y1 + h1, y2 + h2)
    if left > right or top > bottom:
        return False
    for y in range(top, bottom):
        for x in range(left, right):
            if p1[y - y1][x - x1] != KEY and p2[y - y2][x - x2] != KEY:
                return True
    return False


def held_keys(script, frame):
    """The keys a key script holds at the input poll of a frame."""
    held = set()
    for event_frame, down, code in sorted(script, key=lambda e: e[0]):
        if event_frame <= frame:
            (held.add if down else held.discard)(code)
    return held


def simulate(pictures, script, last_frame):
    """Steps the demo; returns {frame: (background shown, draw operations)} for the frames it presents,
    and the frame at which Esc ended it (or None)."""
    x, frame, step, phase, jumping, punching = 10.0, 1.0, 0, 0.0, 0, 0
    background = True
    shown = {}
    for k in range(FIRST_PASS, last_frame):
        keys = held_keys(script, k)
        if 1 in keys:
            return shown, k
        ops = []
        frame_background = background
        y = 350 - math.sin(math.radians(phase)) * 100
        if 30 in keys:
            punching = 1
            if frame < 10:
                ops.append(("sprite", 30, x, y))
            if frame > 10:
                ops.append(("sprite", 31, x, y))
        if not punching:
            ops.append(("sprite", frame, x, y))
        if 30 in keys and collide(pictures, int(frame), x, y, 20, 500, 350):
            ops = [("text", "You've WON!!", 100, 100)]
            background = frame_background = False
        ops.append(("sprite", 20, 500, 350))
        if 2 in keys:
            ops.append(("text", "KEY PRESSED", 100, 100))
        if 28 in keys:
            ops.append(("text", "THE KEY ENTER IS PRESSED", 300, 300))
            ops.append(("sprite", 7, 1, 1))
        if 30 in keys and frame < 10:
            ops.append(("sprite", 30, x, y))
        elif 30 in keys and frame > 10:
            ops.append(("sprite", 31, x, y))
        if 205 in keys:
            x += 3
            step += 1
            if step == 10:
                frame = frame + 1 if frame + 1 <= 8 else 1
                step = 0
            ops.append(("sprite", frame, x, y))
        if 203 in keys:
            x -= 3
            frame = max(frame, 11)
            step += 1
            if step == 10:
                frame = frame + 1 if frame + 1 <= 18 else 11
                step = 0
            ops.append(("sprite", frame, x, y))
        if 57 in keys and not jumping:
            phase, jumping = 0.0, 1
        if jumping:
            phase += 3
            if phase > 180:
                phase, jumping = 0.0, 0
        shown[k + 1] = (frame_background, ops)
    return shown, None


def paint(pictures, background, ops):
    """The expected picture: rows of (r, g, b)."""
    if background:
        _, _, bg = pictures.get("Shrine.bmp")
        image = [list(row) for row in bg]
    else:
        image = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    font_w, font_h, font = pictures.get("smalfont.bmp")
    cell_w, cell_h = font_w // 16, font_h // 8
    for op in ops:
        if op[0] == "sprite":
            _, slot, x, y = op
            w, h, pixels = pictures.sprite(int(slot))
            px, py = math.ceil(x), math.ceil(y)
            cells = [(px + i, py + j, pixels[j][i]) for j in range(h) for i in range(w) if pixels[j][i] != KEY]
        else:
            _, text, x, y = op
            cells = []
            for n, ch in enumerate(text.encode("latin-1")):
                cell = ch % 128
                cx, cy = (cell % 16) * cell_w, (cell // 16) * cell_h
                for j in range(cell_h):
                    for i in range(cell_w):
                        c = font[cy + j][cx + i]
                        if c != (0, 0, 0):
                            cells.append((math.ceil(x) + n * cell_w + i, math.ceil(y) + j, c))
        for px, py, c in cells:
            if 0 <= px < WIDTH and 0 <= py < HEIGHT:
                image[py][px] = c
    return image
