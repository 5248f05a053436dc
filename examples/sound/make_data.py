"""Makes the sound example's data: three short tones for the effects and a half-second music loop.

    make_data.py FOLDER
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from datafiles import write_tone  # noqa: E402

# file: (pitch in Hz, seconds); every tone has an amplitude of 0.2 of full scale.
TONES = {"left.wav": (440, 0.4), "right.wav": (660, 0.4), "chord.wav": (550, 0.4), "music.wav": (330, 0.5)}
AMPLITUDE = 0.2

if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    for name, (hertz, seconds) in TONES.items():
        write_tone(os.path.join(sys.argv[1], name), hertz, seconds, volume=AMPLITUDE)
