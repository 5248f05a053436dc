"""Makes the path example's data: the grid map (map.txt) and the figure's picture (figure.bmp).

    make_data.py FOLDER
"""
import os
import struct
import sys

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


def write_bmp(path, width, height, pixel):
    """A 24-bit BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    stride = (width * 3 + 3) & ~3
    rows = b"".join(bytes(c for x in range(width) for c in reversed(pixel(x, y))).ljust(stride, b"\0")
                    for y in reversed(range(height)))
    header = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 54 + len(rows), 0, 0, 54, 40, width, height, 1, 24, 0,
                         len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + rows)


if __name__ == "__main__":
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "map.txt"), "w") as f:
        f.write("\n".join(grid()) + "\n")
    # A green disc with a white eye on magenta, the colour the game makes transparent.
    write_bmp(os.path.join(folder, "figure.bmp"), 24, 24,
              lambda x, y: (255, 255, 255) if (x - 15) ** 2 + (y - 8) ** 2 < 6 else
              (40, 200, 60) if (x - 11.5) ** 2 + (y - 11.5) ** 2 < 130 else (255, 0, 255))
