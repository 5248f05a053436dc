"""Makes the 2D effects example's data: the day and night backgrounds, a sprite of four coloured
quarters (star.bmp) and a font picture (font.bmp).

    make_data.py FOLDER
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from datafiles import write_bmp, write_font  # noqa: E402

DAY = ((90, 150, 230), (60, 160, 60))     # sky, grass
NIGHT = ((10, 10, 40), (20, 40, 20))
QUARTERS = ((255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255))  # top-left, top-right, bottom-left, -right
FONT_COLOUR = (255, 220, 0)


def quarter(x, y):
    """Colour of the star picture's pixel: its quarter's colour (64 x 64 picture)."""
    return QUARTERS[(y >= 32) * 2 + (x >= 32)]


if __name__ == "__main__":
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, (sky, grass) in (("day.bmp", DAY), ("night.bmp", NIGHT)):
        write_bmp(os.path.join(folder, name), 640, 480, lambda x, y: sky if y < 400 else grass)
    write_bmp(os.path.join(folder, "star.bmp"), 64, 64, quarter)
    write_font(os.path.join(folder, "font.bmp"), FONT_COLOUR)
