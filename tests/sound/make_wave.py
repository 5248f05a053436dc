#!/usr/bin/env python3
"""Writes a sine wave as PCM with Python's wave module; a stereo file's second channel is negated.

usage: make_wave.py PATH RATE BITS CHANNELS FREQUENCY AMPLITUDE(0..1) FRAMES
"""
import math
import struct
import sys
import wave

path, rate, bits, channels, freq, amp, frames = sys.argv[1:8]
rate, bits, channels, frames = map(int, (rate, bits, channels, frames))
freq, amp = float(freq), float(amp)
out = bytearray()
for i in range(frames):
    s = amp * math.sin(2 * math.pi * freq * i / rate)
    for v in (s, -s)[:channels]:
        if bits == 8:
            out += struct.pack('<B', max(0, min(255, 128 + round(v * 127))))
        else:
            out += struct.pack('<h', max(-32768, min(32767, round(v * 32767))))
with wave.open(path, 'wb') as w:
    w.setnchannels(channels)
    w.setsampwidth(bits // 8)
    w.setframerate(rate)
    w.writeframes(bytes(out))
