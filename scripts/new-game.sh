#!/usr/bin/env bash
# Writes a new game that builds against the installed engine:
#   scripts/new-game.sh NAME FOLDER
# FOLDER gets main.cpp (a figure that walks with the arrows, a beep, Esc ends), CMakeLists.txt
# (find_package(Tarvok) + tarvok_add_game) and data/ with the figure's picture and the beep.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 NAME FOLDER" >&2
    exit 2
fi
name=$1
folder=$2
# The name becomes a CMake project, a target and a file name: keep it to letters, digits, - and _.
if ! [[ $name =~ ^[A-Za-z][A-Za-z0-9_-]*$ ]]; then
    echo "new-game: the name must start with a letter and hold only letters, digits, - and _: $name" >&2
    exit 2
fi
if [ -e "$folder" ] && [ -n "$(ls -A "$folder")" ]; then
    echo "new-game: $folder exists and is not empty; nothing written" >&2
    exit 1
fi

template="$(dirname "$0")/new-game"
mkdir -p "$folder/data"
for file in main.cpp CMakeLists.txt; do
    sed "s/@NAME@/$name/g" "$template/$file" > "$folder/$file"
done
python3 "$template/make_data.py" "$folder/data"
echo "new-game: wrote $name in $folder"
