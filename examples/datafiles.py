"""Writers of the simple data files the examples draw at build time: BMP pictures and WAV sounds."""
import math
import struct
import wave


def write_bmp(path, width, height, pixel):
    """A 24-bit BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    stride = (width * 3 + 3) & ~3
    rows = b"".join(bytes(c for x in range(width) for c in reversed(pixel(x, y))).ljust(stride, b"\0")
                    for y in reversed(range(height)))
    header = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 54 + len(rows), 0, 0, 54, 40, width, height, 1, 24, 0,
                         len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + rows)


def write_tone(path, hertz, seconds, rate=22050, volume=0.5, fade=0.01):
    """A 16-bit mono WAV of a sine tone, faded in and out over fade seconds so that it does not click."""
    count = int(rate * seconds)
    ramp = max(1, int(rate * fade))
    samples = (volume * min(1, i / ramp, (count - i) / ramp) * math.sin(2 * math.pi * hertz * i / rate)
               for i in range(count))
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(b"".join(struct.pack("<h", int(32767 * s)) for s in samples))


# A 3 x 5 pixel alphabet: five rows from the top, '#' lit.
GLYPHS = {
    "A": ".#. #.# ### #.# #.#", "B": "##. #.# ##. #.# ##.", "C": ".## #.. #.. #.. .##", "D": "##. #.# #.# #.# ##.",
    "E": "### #.. ##. #.. ###", "F": "### #.. ##. #.. #..", "G": ".## #.. #.# #.# .##", "H": "#.# #.# ### #.# #.#",
    "I": "### .#. .#. .#. ###", "J": "..# ..# ..# #.# .#.", "K": "#.# #.# ##. #.# #.#", "L": "#.. #.. #.. #.. ###",
    "M": "#.# ### ### #.# #.#", "N": "##. #.# #.# #.# #.#", "O": ".#. #.# #.# #.# .#.", "P": "##. #.# ##. #.. #..",
    "Q": ".#. #.# #.# ##. .##", "R": "##. #.# ##. #.# #.#", "S": ".## #.. .#. ..# ##.", "T": "### .#. .#. .#. .#.",
    "U": "#.# #.# #.# #.# ###", "V": "#.# #.# #.# #.# .#.", "W": "#.# #.# ### ### #.#", "X": "#.# #.# .#. #.# #.#",
    "Y": "#.# #.# .#. .#. .#.", "Z": "### ..# .#. #.. ###", "0": "### #.# #.# #.# ###", "1": ".#. ##. .#. .#. ###",
    "2": "##. ..# .#. #.. ###", "3": "##. ..# .#. ..# ##.", "4": "#.# #.# ### ..# ..#", "5": "### #.. ##. ..# ##.",
    "6": ".## #.. ### #.# ###", "7": "### ..# .#. .#. .#.", "8": "### #.# ### #.# ###", "9": "### #.# ### ..# ##.",
    ":": "... .#. ... .#. ...", "!": ".#. .#. .#. ... .#.", "-": "... ... ### ... ...", ".": "... ... ... ... .#.",
}
FONT_CELL = (16, 32)        # a 256 x 256 font picture holds 16 x 8 cells of this size
FONT_SCALE, FONT_INSET = 4, (2, 6)  # each glyph pixel is a 4 x 4 block, from this corner of its cell


def glyph_lit(char, x, y):
    """Whether pixel (x, y) of the character's cell is lit in the font write_font makes."""
    px, py = (x - FONT_INSET[0]) // FONT_SCALE, (y - FONT_INSET[1]) // FONT_SCALE
    rows = GLYPHS.get(char.upper(), "... ... ... ... ...").split()
    return x >= FONT_INSET[0] and y >= FONT_INSET[1] and px < 3 and py < 5 and rows[py][px] == "#"


def write_font(path, colour):
    """A 256 x 256 font picture of GLYPHS in the colour on black (black is see-through in fonts); lower-case
    letters show the capitals."""
    def pixel(x, y):
        code = (y // FONT_CELL[1]) * 16 + x // FONT_CELL[0]
        return colour if glyph_lit(chr(code), x % FONT_CELL[0], y % FONT_CELL[1]) else (0, 0, 0)
    write_bmp(path, 256, 256, pixel)
