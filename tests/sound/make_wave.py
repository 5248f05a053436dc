#!/usr/bin/env python3
"""Writes a sine wave as a PCM wave file with Python's wave module.

usage: make_wave.py PATH RATE BITS CHANNELS FREQUENCY AMPLITUDE FRAMES
AMPLITUDE is a fraction of full scale (0..1). Channel c of a stereo file carries the sine when c is 0
and its negation when c is 1, so the two sides can be told apart.
"""
import math
import struct
import sys
import wave

path, rate, bits, channels, freq, amp, frames = sys.argv[1:8]
rate, bits, channels, frames = int(rate), int(bits), int(channels), int(frames)
freq, amp = float(freq), float(amp)

out = bytearray()
for i in range(frames):
    s = amp * math.sin(2 * math.pi * freq * i / rate)
    for c in range(channels):
        v = s if c == 0 else -s
        if bits == 8:
            out += struct.pack('<B', max(0, min(255, 128 + round(v * 127))))
        else:
            out += struct.pack('<h', max(-32768, min(32767, round(v * 32767))))

with wave.open(path, 'wb') as w:
    w.setnchannels(channels)
    w.setsampwidth(bits // 8)
    w.setframerate(rate)
    w.writeframes(bytes(out))
