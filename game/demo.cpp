// The walking-and-fighting demo, as translated from its Tarvok source: every variable is a 64-bit float
// and every line is a plain call of an engine command.
//
// Arrows walk, Space jumps, A punches; touching the enemy while punching wins. Esc ends the program.
#include "game/demo.h"

#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "runtime/runtime.h"

namespace {


// The game's global variables.
double playerX = 0;
double playerY = 0;
double spareY = 0;  // used only for the very first drawing
double frame = 0;   // walking picture: 1..8 facing right, 11..18 facing left
double step = 0;    // frames since the picture last changed
double jumpPhase = 0;
double jumping = 0;
double punching = 0;

// Main loop step 3 and 4: the punch, else the figure as it stands.
void PunchBlock() {
    if (KeyState(30) != 0) {
        punching = 1;
        if (frame < 10) DrawSprite(30, playerX, playerY);
        if (punching != 0) {
            if (frame > 10) DrawSprite(31, playerX, playerY);
        }
    }
    if (punching == 0) DrawSprite(frame, playerX, playerY);
}

// Main loop step 5: the win test.
void WinBlock() {
    if (SpriteCollision(frame, playerX, playerY, 20, 500, 350) != 0 && KeyState(30) == 1) {
        BlackScreen();
        PrintText("You've WON!!", 100, 100);
    }
}

// The subroutines callable by name.
void Punch() { PunchBlock(); }
void Win() { WinBlock(); }

}  // namespace

const SubroutineEntry kDemoSubroutines[] = {
    {Punch, "punch"},
    {Win, "WIN"},
    {nullptr, nullptr},
};

void DemoMainBody() {
    SetScreen(640, 480, 0);
    playerX = 10;
    step = 0;
    frame = 1;
    LoadBackground("Shrine.bmp");
    LoadSprite("walk 1.bmp", 1);
    LoadSprite("walk 2.bmp", 2);
    LoadSprite("walk 3.bmp", 3);
    LoadSprite("walk 4.bmp", 4);
    LoadSprite("walk 5.bmp", 5);
    LoadSprite("walk 6.bmp", 6);
    LoadSprite("walk 7.bmp", 7);
    LoadSprite("walk 8.bmp", 8);
    LoadSprite("enemy.bmp", 20);
    LoadSprite("walk1.bmp", 11);
    LoadSprite("walk2.bmp", 12);
    LoadSprite("walk3.bmp", 13);
    LoadSprite("walk4.bmp", 14);
    LoadSprite("walk5.bmp", 15);
    LoadSprite("walk6.bmp", 16);
    LoadSprite("walk7.bmp", 17);
    LoadSprite("walk8.bmp", 18);
    LoadSprite("punch 1.bmp", 30);
    LoadSprite("punch 2.bmp", 31);
    LoadSprite("k.bmp", 0);
    DrawSprite(1, playerX, spareY);

    for (;;) {
        ShowScreen();
        playerY = 350 - Sin(jumpPhase) * 100;
        PunchBlock();
        WinBlock();
        DrawSprite(20, 500, 350);
        if (KeyState(2) == 1) PrintText("KEY PRESSED", 100, 100);
        if (KeyState(28) == 1) {
            PrintText("THE KEY ENTER IS PRESSED", 300, 300);
            DrawSprite(7, 1, 1);
        }
        if (KeyState(30) != 0 && frame < 10) {
            DrawSprite(30, playerX, playerY);
        } else if (KeyState(30) != 0 && frame > 10) {
            DrawSprite(31, playerX, playerY);
        }
        if (KeyState(205) != 0) {
            playerX = playerX + 3;
            step = step + 1;
            if (step == 10) {
                frame = frame + 1;
                if (frame > 8) frame = 1;
                step = 0;
            }
            DrawSprite(frame, playerX, playerY);
        }
        if (KeyState(203) != 0) {
            playerX = playerX - 3;
            if (frame < 11) frame = 11;
            step = step + 1;
            if (step == 10) {
                frame = frame + 1;
                if (frame > 18) frame = 11;
                step = 0;
            }
            DrawSprite(frame, playerX, playerY);
        }
        if (KeyState(1) == 1) break;
        if (KeyState(57) != 0 && jumping == 0) {
            jumpPhase = 0;
            jumping = 1;
        }
        if (jumping != 0) {
            jumpPhase = jumpPhase + 3;
            if (jumpPhase > 180) {
                jumpPhase = 0;
                jumping = 0;
            }
        }
    }
    EndProgram();
}
