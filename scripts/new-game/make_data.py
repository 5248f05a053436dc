#!/usr/bin/env python3
"""Writes a new game's first data files: the figure (player.bmp) and the beep (beep.wav).

    make_data.py DATA_DIR

The figure is 32 x 32 pixels on the colour key (255, 0, 128), which the engine draws transparent.
"""
import math
import os
import struct
import sys
import wave

KEY = (255, 0, 128)
SIZE = 32


def figure(x, y):
    """Colour of the figure's pixel (x, y): a round head over a body, on the key."""
    if (x - 15.5) ** 2 + (y - 7.5) ** 2 <= 36:
        return (250, 200, 150)  # head
    if 8 <= x < 24 and 14 <= y < 32:
        return (40, 110, 230) if y < 26 else (30, 60, 140)  # shirt, trousers
    return KEY


def write_bmp(path):
    """A 24-bit BMP, rows bottom-up, each padded to 4 bytes (32 x 3 needs no padding)."""
    rows = b"".join(bytes(c for x in range(SIZE) for c in reversed(figure(x, y)))
                    for y in reversed(range(SIZE)))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def write_wav(path):
    """A tenth of a second of 880 Hz, 16-bit mono at 22050 Hz, fading out."""
    rate, count = 22050, 2205
    samples = (int(12000 * (1 - i / count) * math.sin(2 * math.pi * 880 * i / rate)) for i in range(count))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", s) for s in samples))


if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    write_bmp(os.path.join(sys.argv[1], "player.bmp"))
    write_wav(os.path.join(sys.argv[1], "beep.wav"))
