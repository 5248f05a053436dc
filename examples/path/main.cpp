// Path planning: click a cell (or move the yellow frame with the arrow keys and press Enter) and the
// figure walks there along the shortest way around the walls. Esc ends the game.
//
// What it shows: a grid map read from a text file into a number array of costs, FindPath, and a figure
// that follows the path it returns one cell at a time.
#include <cmath>

#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "path/path.h"
#include "runtime/runtime.h"
#include "storage/storage.h"

#include "../key_press.h"  // Pressed(key): true once when a key goes down

namespace {

constexpr double kCell = 32;                 // cell size in pixels
constexpr double kColumns = 20, kRows = 15;  // the grid fills the 640 x 480 window
constexpr double kFloor = 0x302820, kWall = 0x808080, kTrail = 0xC07030, kFrame = 0x00FFFF;  // blue-green-red
constexpr double kFigure = 1;         // sprite slot of the figure
constexpr double kFramesPerCell = 8;  // walking speed

RtArray<double> costs;  // costs[x][y]: cost of entering the cell, 0 for a wall
RtArray<double> path;   // path[i][0], path[i][1]: x and y of the i-th cell from the figure to the goal
double pathCells = 0;   // cells in path; 0 while the figure stands
double pathStep = 0;    // index in path of the cell the figure stands on
double walkTimer = 0;   // frames spent on the current cell
double figureX = 1, figureY = 1;  // the figure's cell
double frameX = 1, frameY = 1;    // the yellow frame's cell

// Reads map.txt: one line per row, '#' for a wall, any other character for floor.
void LoadMap() {
    costs.Dim(kColumns, kRows);
    OpenFile(0, "map.txt", 1);
    for (double y = 0; y < kRows; y++) {
        RtString line;
        ReadLine(0, line);
        for (double x = 0; x < kColumns; x++) costs.At(x, y) = MidStr(line, x, 1) == "#" ? 0 : 1;
    }
    CloseFile(0);
}

// Plans the way from the figure to the cell: weight 0 finds a shortest path. An unreachable cell (or a
// wall) gives no path and the figure stays.
void WalkTo(double x, double y) {
    pathCells = FindPath(costs, path, 0, figureX, figureY, x, y);
    pathStep = 0;
    walkTimer = 0;
}

void DrawGrid() {
    for (double x = 0; x < kColumns; x++)
        for (double y = 0; y < kRows; y++)
            DrawRect(x * kCell, y * kCell, kCell - 1, kCell - 1, costs.At(x, y) > 0 ? kFloor : kWall);
    // The part of the path still ahead, the figure's own cell included.
    for (double i = pathStep; i < pathCells; i++)
        DrawRect(path.At(i, 0) * kCell, path.At(i, 1) * kCell, kCell - 1, kCell - 1, kTrail);
    const double left = frameX * kCell, top = frameY * kCell, right = left + kCell - 1,
                 bottom = top + kCell - 1;
    DrawLine(left, top, right, top, kFrame);
    DrawLine(right, top, right, bottom, kFrame);
    DrawLine(right, bottom, left, bottom, kFrame);
    DrawLine(left, bottom, left, top, kFrame);
    DrawSprite(kFigure, figureX * kCell + 4, figureY * kCell + 4);
}

}  // namespace

void PathMain() {
    SystemPointer(1);           // show the mouse pointer and follow it
    SetTransparency(0xFF00FF);  // magenta pixels of later loads are see-through
    LoadSprite("figure.bmp", kFigure);
    LoadMap();
    for (;;) {
        // Steer the frame with the arrows; Enter or a click sends the figure there.
        if (Pressed(205) && frameX < kColumns - 1) frameX++;
        if (Pressed(203) && frameX > 0) frameX--;
        if (Pressed(208) && frameY < kRows - 1) frameY++;
        if (Pressed(200) && frameY > 0) frameY--;
        if (Pressed(28)) WalkTo(frameX, frameY);
        double mouseX, mouseY, left, right;
        MouseState(mouseX, mouseY, left, right);
        if (left != 0) {
            frameX = std::floor(mouseX / kCell);
            frameY = std::floor(mouseY / kCell);
            WalkTo(frameX, frameY);
        }
        // One cell further every few frames, until the goal.
        if (pathStep < pathCells - 1 && ++walkTimer >= kFramesPerCell) {
            walkTimer = 0;
            pathStep++;
            figureX = path.At(pathStep, 0);
            figureY = path.At(pathStep, 1);
        }
        DrawGrid();
        ShowScreen();
        if (KeyState(1) != 0) break;
    }
    EndProgram();
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "Path planning", PathMain); }
