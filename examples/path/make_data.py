"""Makes the path example's data: the grid map (map.txt) and the figure's picture (figure.bmp).

    make_data.py FOLDER
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from datafiles import write_bmp  # noqa: E402

COLUMNS, ROWS = 20, 15
# Walls: the border, and three inner walls with a gap at alternate ends.
WALLS = [(5, range(0, 12)), (10, range(3, 15)), (15, range(0, 12))]


def grid():
    """Rows of the map: '#' wall, '.' floor."""
    cells = [["#" if x in (0, COLUMNS - 1) or y in (0, ROWS - 1) else "." for x in range(COLUMNS)] for y in range(ROWS)]
    for x, ys in WALLS:
        for y in ys:
            cells[y][x] = "#"
    return ["".join(row) for row in cells]


if __name__ == "__main__":
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "map.txt"), "w") as f:
        f.write("\n".join(grid()) + "\n")
    # A green disc with a white eye on magenta, the colour the game makes transparent.
    write_bmp(os.path.join(folder, "figure.bmp"), 24, 24,
              lambda x, y: (255, 255, 255) if (x - 15) ** 2 + (y - 8) ** 2 < 6 else
              (40, 200, 60) if (x - 11.5) ** 2 + (y - 11.5) ** 2 < 130 else (255, 0, 255))
