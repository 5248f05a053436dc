"""Plays the files example three times in a folder of its own (the one-file build, so that the saved
game and the INI file land there): a name is typed, points scored and the game saved; the saved game
is continued and the round ended; a second player beats the first. The save file is read here with
struct and the high-score table with configparser.

    check.py PROGRAM
"""
import configparser
import os
import shutil
import struct
import sys

import headless
from headless import ENTER, ESC, SPACE, LETTERS, press, type_text


def scores(folder):
    table = configparser.ConfigParser()
    table.read(os.path.join(folder, "scores.ini"))
    best = table["best"]
    return [(best[f"name{i}"], float(best[f"score{i}"])) for i in range(1, 6) if f"name{i}" in best]


def main(program):
    folder = headless.new_folder()
    game = os.path.join(folder, "game")
    shutil.copy(program + "-onefile", game)

    def play(keys):
        headless.play(game, keys + press(keys_end(keys) + 4, ESC), frames=200, folder=folder)

    def keys_end(keys):
        return max(int(line.split()[0]) for line in keys)

    def spaces(frame, count):
        return [line for i in range(count) for line in press(frame + 2 * i, SPACE)]

    # 1: the name, three times Space, S saves; Esc.
    play(type_text(5, "ANNA") + press(14, ENTER) + spaces(20, 3) + press(30, LETTERS["S"]))
    data = open(os.path.join(folder, "save.dat"), "rb").read()
    magic, version, score, length = struct.unpack_from("<4sIdI", data)
    assert (magic, version, score, data[20:]) == (b"SAVE", 1, 30.0, b"anna") and length == 4, data
    assert not os.path.exists(os.path.join(folder, "scores.ini"))

    # 2: the save is continued (no name asked), two more points, Enter ends the round.
    play(spaces(5, 2) + press(12, ENTER))
    assert not os.path.exists(os.path.join(folder, "save.dat")), "the ended round's save is left"
    assert scores(folder) == [("anna", 50.0)], scores(folder)

    # 3: a new player beats anna and takes the first place.
    play(type_text(5, "BOB") + press(12, ENTER) + spaces(18, 7) + press(34, ENTER))
    assert scores(folder) == [("bob", 70.0), ("anna", 50.0)], scores(folder)
    headless.passed("save file and high-score table as expected")


if __name__ == "__main__":
    main(sys.argv[1])
