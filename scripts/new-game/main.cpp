// @NAME@: a figure that walks with the arrow keys and beeps when it reaches an edge. Esc ends the game.
//
// A game is a main body that draws with engine commands and calls ShowScreen once per pass of its loop.
// Every number is a 64-bit float; texts are RtString. Data files (data/ in the source folder) are found
// beside the program, or packed behind it in the one-file build (@NAME@-onefile).
#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "sound/sound.h"

namespace {

// Numbers the game is made of.
constexpr double kPlayerSprite = 1;  // sprite slot of the figure's picture
constexpr double kBeepSound = 1;     // sound slot of the beep
constexpr double kStartX = 304;      // where the figure starts: its top-left corner, in pixels
constexpr double kStartY = 224;      // from the top-left corner of the window
constexpr double kSpeed = 4;         // pixels per frame while an arrow key is held
constexpr double kLeft = 203, kRight = 205, kUp = 200, kDown = 208;  // key numbers of the arrows

[[noreturn]] void MainBody() {
    // The window is 640 x 480 unless the game calls SetScreen(width, height, fullScreen).
    LoadSprite("player.bmp", kPlayerSprite);  // pixels of colour (255, 0, 128) are transparent
    LoadSound("beep.wav", kBeepSound, 1);

    double width = 0, height = 0, spriteWidth = 0, spriteHeight = 0;
    GetScreenSize(width, height);
    GetSpriteSize(kPlayerSprite, spriteWidth, spriteHeight);
    const double maxX = width - spriteWidth, maxY = height - spriteHeight;

    double x = kStartX, y = kStartY;
    bool atEdge = false;
    while (true) {
        // Move by the arrow keys, staying inside the window.
        x += (KeyState(kRight) - KeyState(kLeft)) * kSpeed;
        y += (KeyState(kDown) - KeyState(kUp)) * kSpeed;
        const bool touching = x <= 0 || y <= 0 || x >= maxX || y >= maxY;
        x = x < 0 ? 0 : (x > maxX ? maxX : x);
        y = y < 0 ? 0 : (y > maxY ? maxY : y);

        // Beep once each time the figure reaches an edge: pan follows x (-1 left .. 1 right), full volume.
        if (touching && !atEdge) PlaySound(kBeepSound, x / maxX * 2 - 1, 1);
        atEdge = touching;

        DrawSprite(kPlayerSprite, x, y);
        PrintText("Arrows walk, Esc ends", 8, 456);
        ShowScreen();  // shows the picture, reads the keys, clears for the next one; Esc ends the program
    }
}

}  // namespace

int main(int argc, char** argv) { ProgramMain(argc, argv, "@NAME@", MainBody); }
