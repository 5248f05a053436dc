// Video: a title screen, then the intro clip played over and over, fitted to the window, until a key is
// pressed; then the game goes on. Esc ends the program.
//
// What it shows: PlayVideoLoop (PlayVideo plays a clip once). The clip is scaled to fill as much of the
// window as it can without changing its shape, centred, with black bars on the other sides; its sound
// plays too, and music would keep playing.
#include "engine/engine.h"
#include "engine/media.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"

void VideoMain() {
    // Title: until Space is pressed.
    while (KeyState(57) == 0) {
        DrawRect(0, 0, 640, 480, 0x402010);  // dark blue
        PrintText("Press Space to watch the intro, then any key to stop it", 100, 230);
        ShowScreen();
    }
    // The clip runs its own loop of frames; a key that is already down when it starts does not stop it.
    PlayVideoLoop("intro.mpg");
    for (;;) {
        DrawRect(0, 0, 640, 480, 0x104020);  // dark green: the game proper
        PrintText("The game starts here. Esc ends it.", 180, 230);
        ShowScreen();
        if (KeyState(1) != 0) break;
    }
    EndProgram();
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "Video", VideoMain); }
