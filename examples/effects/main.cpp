// 2D effects: a gallery of what the 2D engine can do beyond drawing sprites. Space lets night fall with
// a cross-fade, Esc ends the program.
//
// What it shows: a font loaded from a picture, an off-screen surface drawn once and used as a sprite,
// sprites turned and zoomed about their centres, polygons (one colour, and a colour per corner), a part
// of the screen grabbed into a sprite and shown again mirrored, and BlendScreen's cross-fade.
#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "runtime/runtime.h"

namespace {

constexpr double kStar = 1, kBadge = 2, kMirror = 3;  // sprite slots
constexpr double kTitleFont = 1;                      // font slot of the loaded font
constexpr double kHexColour = 0x2040E0;               // red 224, green 64, blue 32

// Draws the badge once into an off-screen surface: everything drawn between UseScreen(0) and
// UseScreen(-1) lands in sprite kBadge instead of the window.
void MakeBadge() {
    CreateScreen(0, kBadge, 96, 96);
    UseScreen(0);
    DrawRect(0, 0, 96, 96, 0x800080);    // purple
    DrawRect(24, 24, 48, 48, 0x00A0FF);  // an orange square in the middle
    UseScreen(-1);
}

// A regular hexagon around (x, y) as one polygon: StartPoly(-1) draws it untextured.
void DrawHexagon(double x, double y, double radius, double colour) {
    StartPoly(-1);
    for (double corner = 0; corner < 6; corner++)
        PolyVector(x + radius * Cos(corner * 60), y - radius * Sin(corner * 60), 0, 0, colour);
    EndPoly();
}

}  // namespace

void EffectsMain() {
    LoadBackground("day.bmp");
    LoadSprite("star.bmp", kStar);
    LoadFont("font.bmp", kTitleFont);  // also makes it the current font
    SetFont(0);                        // font 0 is the engine's own small font
    MakeBadge();
    double turn = 0;  // degrees the stars have turned
    for (;;) {
        SetFont(kTitleFont);
        PrintText("EFFECTS", 20, 10);
        SetFont(0);
        PrintText("Space: night falls   Esc: end", 20, 450);

        // The surface's sprite, plain and zoomed to twice its size about its centre.
        DrawSprite(kBadge, 20, 60);
        ZoomSprite(kBadge, 180, 300, 2, 2);

        // Positive angles turn counter-clockwise.
        RotoSprite(kStar, 300, 60, turn);
        RotoZoomSprite(kStar, 440, 60, -turn, 1.5);

        // A hexagon in one colour, and a triangle whose colours blend between its corners.
        DrawHexagon(440, 300, 60, kHexColour);
        DrawRect(385, 295, 20, 10, 0xFFFFFF);  // a white notch, to tell the mirror image
        StartPoly(-1);
        PolyVector(20, 420, 0, 0, 0x0000FF);
        PolyVector(120, 420, 0, 0, 0x00FF00);
        PolyVector(70, 340, 0, 0, 0xFF0000);
        EndPoly();

        // What is on the screen so far around the hexagon, copied into a sprite and drawn beside it
        // mirrored left to right (a negative width) at half the size.
        GrabSprite(kMirror, 380, 240, 120, 120);
        StretchSprite(kMirror, 580, 330, -60, 60);

        // The cross-fade starts from what this frame drew and takes 1.5 s; night stays the background.
        if (KeyState(57) != 0) BlendScreen("night.bmp");
        ShowScreen();
        turn = turn + 3;
        if (KeyState(1) != 0) break;
    }
    EndProgram();
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "2D effects", EffectsMain); }
