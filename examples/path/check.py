"""Plays the path example: the frame is steered to the far corner and Enter sends the figure there. The
cells drawn as its path must be a shortest way around the walls of map.txt (found here by a plain
breadth-first search), and the figure must end on the goal.

    check.py PROGRAM
"""
import collections
import os
import sys

import headless

CELL, START, GOAL = 32, (1, 1), (18, 1)
TRAIL, FIGURE = (0x30, 0x70, 0xC0), (40, 200, 60)


def distances(walls, start):
    """Steps from start to every reachable cell, moving between edge neighbours."""
    steps, queue = {start: 0}, collections.deque([start])
    while queue:
        x, y = queue.popleft()
        for cell in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if cell not in walls and cell not in steps:
                steps[cell] = steps[(x, y)] + 1
                queue.append(cell)
    return steps


def main(program):
    rows = open(os.path.join(os.path.dirname(program), "map.txt")).read().split()
    walls = {(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if c == "#"}
    shortest = distances(walls, START)[GOAL]
    enter = 2 * (GOAL[0] - START[0]) + 2
    arrive = enter + 1 + 8 * shortest + 2
    keys = [line for i in range(GOAL[0] - START[0]) for line in headless.press(2 + 2 * i, headless.RIGHT)]
    folder = headless.play(program, keys + headless.press(enter, headless.ENTER), frames=arrive,
                           shots=[enter + 1, arrive])

    # The path as drawn: cells whose corner shows the trail colour (the figure covers only the middle).
    shown = headless.Picture(folder, enter + 1)
    trail = {(x, y) for y in range(len(rows)) for x in range(len(rows[0]))
             if headless.near(shown(x * CELL + 2, y * CELL + 2), TRAIL)}
    assert START in trail and GOAL in trail, sorted(trail)
    assert not trail & walls, sorted(trail & walls)
    assert len(trail) == shortest + 1, (len(trail), shortest)
    # Connected from start to goal through its own cells: with shortest + 1 cells, a shortest path.
    assert GOAL in distances(walls | ({(x, y) for x in range(-1, 21) for y in range(-1, 16)} - trail), START)

    end = headless.Picture(folder, arrive)
    assert headless.near(end(GOAL[0] * CELL + 16, GOAL[1] * CELL + 16), FIGURE), "the figure is not on the goal"
    assert headless.near(end(START[0] * CELL + 16, START[1] * CELL + 16), (0x20, 0x28, 0x30)), "figure at start"
    headless.passed(f"path of {shortest} steps drawn and walked")


if __name__ == "__main__":
    main(sys.argv[1])
