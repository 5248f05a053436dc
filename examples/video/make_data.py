"""Makes the video example's data: a two-second clip drawn by ffmpeg (intro.mpg, 320 x 180 pictures
with an orange left half and a blue right half, and a 440 Hz tone).

    make_data.py FOLDER
"""
import os
import subprocess
import sys

SIZE = (320, 180)
LEFT, RIGHT = (0xE0, 0x60, 0x20), (0x20, 0x80, 0xE0)


def hex_colour(rgb):
    return "0x%02X%02X%02X" % rgb


if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    w, h = SIZE
    pictures = (f"color=c={hex_colour(RIGHT)}:s={w}x{h}:d=2:r=25,"
                f"drawbox=x=0:y=0:w={w // 2}:h={h}:color={hex_colour(LEFT)}:t=fill")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", pictures,
                    "-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-shortest",
                    "-c:v", "mpeg1video", "-q:v", "2", "-c:a", "mp2", os.path.join(sys.argv[1], "intro.mpg")],
                   check=True)
