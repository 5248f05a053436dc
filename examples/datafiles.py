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
