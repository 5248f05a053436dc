"""Makes the files example's data: the background picture (paper.bmp).

    make_data.py FOLDER
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from datafiles import write_bmp  # noqa: E402

if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    # Dark blue paper with faint ruled lines every 20 pixels.
    write_bmp(os.path.join(sys.argv[1], "paper.bmp"), 640, 480,
              lambda x, y: (30, 40, 90) if y % 20 == 9 else (20, 24, 60))
