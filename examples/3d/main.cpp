// 3D: a crate and a gem on a floor that fades into the fog, under a light that makes the crate cast a
// shadow. Point at the gem with the mouse (or the arrow keys) and click (or press Enter) to pick it:
// it changes colour. Esc ends the program.
//
// What it shows: objects loaded from .ddd files, Start3D and SetCamera, a directional light, linear
// fog, a stencil shadow (SetLight with id -3), a GLSL shader with a uniform, and picking: the ray
// under the pointer from ScreenToWorld, tested against each object with RayCollision.
#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
#include "gfx3d/gfx3d.h"
#include "input/input.h"
#include "runtime/runtime.h"

#include "../key_press.h"  // Pressed(key): true once when a key goes down

namespace {

constexpr double kFloor = 1, kCrate = 2, kGem = 3;  // object slots
constexpr double kGemShader = 1;                    // shader slot
constexpr double kFogColour = 0x806040;             // red 64, green 96, blue 128, as the sky
constexpr double kCrateX = -2.5, kCrateY = 1, kGemX = 3, kGemY = 1.5;
constexpr double kShadowLightX = -8, kShadowLightY = 6;  // the light the crate's shadow falls from

double pointerX = 320, pointerY = 240;  // where the player points, in window pixels
double gemPicked = 0;

// Follows the mouse when it moves, else the arrow keys; true when the player clicks or presses Enter.
bool PointAndClick() {
    static double lastX = -1, lastY = -1, lastButton = 0;
    double x, y, left, right;
    MouseState(x, y, left, right);
    if (lastX >= 0 && (x != lastX || y != lastY)) {
        pointerX = x;
        pointerY = y;
    }
    lastX = x;
    lastY = y;
    pointerX = pointerX + 8 * (KeyState(205) - KeyState(203));
    pointerY = pointerY + 8 * (KeyState(208) - KeyState(200));
    const bool clicked = left != 0 && lastButton == 0;
    lastButton = left;
    return Pressed(28) || clicked;
}

// The ray from the eye through the pointer: the points under it at the nearest and farthest depth.
// Each object is tested in its own place: the same SetMovement as for drawing it.
void Pick() {
    double nearX, nearY, nearZ, farX, farY, farZ;
    ScreenToWorld(pointerX, pointerY, 0, nearX, nearY, nearZ);
    ScreenToWorld(pointerX, pointerY, 1, farX, farY, farZ);
    SetMovement(kGemX, kGemY, 0);
    const double toGem = RayCollision(kGem, 0, nearX, nearY, nearZ, farX - nearX, farY - nearY, farZ - nearZ);
    SetMovement(kCrateX, kCrateY, 0);
    const double toCrate =
        RayCollision(kCrate, 0, nearX, nearY, nearZ, farX - nearX, farY - nearY, farZ - nearZ);
    // A hit gives the distance along the ray; the nearer object is the one seen.
    if (toGem > 0 && (toCrate <= 0 || toGem < toCrate)) gemPicked = 1 - gemPicked;
}

}  // namespace

void Scene3DMain() {
    SystemPointer(1);
    LoadBackground("sky.bmp");  // the fog's colour, so that the far floor melts into the sky
    LoadObject("floor.ddd", kFloor);
    LoadObject("crate.ddd", kCrate);
    LoadObject("gem.ddd", kGem);
    LoadShader(kGemShader, "gem.vert", "gem.frag");
    for (;;) {
        const bool clicked = PointAndClick();
        PrintText("Point at the gem and click (or arrows and Enter)", 10, 10);  // 2D first: 3D draws over it

        Start3D(1, 100, 60);  // near and far clip distances, vertical field of view in degrees
        SetCamera(0, 4, 10, 0, 0.5, 0);
        if (clicked) Pick();
        SetFog(kFogColour, 0, 12, 40);  // linear: clear up to 12 units away, all fog from 40
        SetLight(0, 0xFFFFFF, 0, 0, 0, 0.4, -1, -0.3, 180);  // white, directional (cutoff 180), from above

        SetMovement(0, 0, 0);
        DrawObject(kFloor, 0);
        SetMovement(kCrateX, kCrateY, 0);
        DrawObject(kCrate, 0);

        // The gem is coloured by its shader; "glow" chooses the colour.
        UseShader(kGemShader);
        SetShaderFloat("glow", gemPicked);
        SetMovement(kGemX, kGemY, 0);
        DrawObject(kGem, 0);
        UseShader(-1);

        // The shadow: objects drawn while mode -3 is on are not shown; their shadow volumes mark the
        // stencil buffer, and switching the mode off darkens what lies in their shadow.
        SetLight(-3, 0, kShadowLightX, kShadowLightY, 0, 0, 0, 0, 1);
        SetMovement(kCrateX, kCrateY, 0);
        DrawObject(kCrate, 0);
        SetLight(-3, 0, kShadowLightX, kShadowLightY, 0, 0, 0, 0, 0);

        // The pointer: a yellow dot just behind the near plane, where the ray starts.
        double x, y, z;
        ScreenToWorld(pointerX, pointerY, 0.01, x, y, z);
        DrawPoint3D(x, y, z, 6, 0x00FFFF);
        ShowScreen();
        if (KeyState(1) != 0) break;
    }
    EndProgram();
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "3D", Scene3DMain); }
