"""Makes the network example's data: the lobby's background picture (lobby.bmp).

    make_data.py FOLDER
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from datafiles import write_bmp  # noqa: E402

if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    # Dark teal, with a lighter band behind the list of players.
    write_bmp(os.path.join(sys.argv[1], "lobby.bmp"), 640, 480,
              lambda x, y: (20, 90, 90) if 26 <= y < 46 else (10, 40, 50))
