"""Plays the sound example with SDL's disk audio driver, which records the mix, and measures the tones
in the recording: the left tone on the left only, the right one about 10 dB quieter and with the left
side another 10 dB down, the three copies together three times as loud as one, and the music still
sounding after several of its half-second loops. The lamps of the three copies must be lit while they
play.

    check.py PROGRAM
"""
import math
import os
import struct
import sys

import headless
from make_data import AMPLITUDE

RATE, WINDOW, HOP = 22050, 1024, 256
CHORD_AT, END = 80, 150


def amplitude(samples, hertz, at):
    """Amplitude (of full scale) of the tone in the Hann-windowed stretch of samples from at on."""
    step, s1, s2 = 2 * math.cos(2 * math.pi * hertz / RATE), 0.0, 0.0
    for i, x in enumerate(samples[at:at + WINDOW]):  # Goertzel
        s1, s2 = (0.5 - 0.5 * math.cos(2 * math.pi * i / WINDOW)) * x + step * s1 - s2, s1
    return math.sqrt(max(0, s1 * s1 + s2 * s2 - step * s1 * s2)) * 4 / WINDOW / 32768


def loudest(left, right, hertz, start=0):
    """The tone's amplitude on the left and on the right while it sounds: the median of the stretches
    where it is at least half as loud as at its loudest, so that the click of another sound starting
    in the same stretch does not count."""
    stretches = [(amplitude(left, hertz, at), amplitude(right, hertz, at))
                 for at in range(start, len(left) - WINDOW, HOP)]
    peak = max(map(sum, stretches))
    sounding = sorted((s for s in stretches if sum(s) >= peak / 2), key=sum)
    return sounding[len(sounding) // 2]


def main(program):
    mix = os.path.join(headless.new_folder(), "mix.raw")
    keys = headless.press(20, 2) + headless.press(50, 3) + headless.press(CHORD_AT, 4)
    folder = headless.play(program, keys, frames=END, shots=[CHORD_AT + 3], paced=True,
                           env={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": mix})
    data = open(mix, "rb").read()
    pairs = struct.unpack(f"<{len(data) // 2}h", data[:len(data) // 4 * 4])
    left, right = pairs[0::2], pairs[1::2]
    found = {}
    for hertz in (440, 550, 660):
        found[hertz, "left"], found[hertz, "right"] = loudest(left, right, hertz)
    # Volume 0.9 is -10 dB; pan 0.1 takes a further 10 dB off the left side.
    quiet = AMPLITUDE * 10 ** (-10 / 20)
    expected = {(440, "left"): AMPLITUDE, (440, "right"): 0, (660, "right"): quiet, (660, "left"): quiet / 3.162,
                (550, "left"): 3 * AMPLITUDE, (550, "right"): 3 * AMPLITUDE}
    bad = {key: (round(found[key], 4), round(value, 4)) for key, value in expected.items()
           if abs(found[key] - value) > 0.15 * value + 0.003}
    assert not bad, f"tone amplitudes (found, expected): {bad}"
    # The music is half a second long: it still sounds in the last half second of a 2.5 s run.
    late = len(left) - RATE // 2
    assert min(loudest(left, right, 330, late)) > 0.7 * AMPLITUDE, "the music did not loop"

    lamps = headless.Picture(folder, CHORD_AT + 3)
    lit = [headless.near(lamps(245 + 40 * copy, 122), (0, 255, 0)) for copy in range(4)]
    assert lit == [True, True, True, False], lit
    headless.passed("pan, volume, copies and the music loop heard as expected")


if __name__ == "__main__":
    main(sys.argv[1])
