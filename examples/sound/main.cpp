// Sound and music: a music loop under three sound effects. Esc ends the program.
//   1  a tone on the left speaker only
//   2  a quieter tone, mostly on the right
//   3  three copies of one sound at once (its slot holds three copies, so they overlap)
//   M  music off and on; Up and Down change the music volume
//
// What it shows: LoadSound with several copies, PlaySound's pan and volume, SoundPlaying, and a
// music file that the engine restarts whenever it has played to its end.
#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "runtime/runtime.h"
#include "sound/sound.h"

#include "../key_press.h"  // Pressed(key): true once when a key goes down

namespace {

constexpr double kLeft = 1, kRight = 2, kChord = 3;  // sound slots
constexpr double kChordCopies = 3;

}  // namespace

void SoundMain() {
    LoadSound("left.wav", kLeft, 1);
    LoadSound("right.wav", kRight, 1);
    LoadSound("chord.wav", kChord, kChordCopies);
    PlayMusic("music.wav");  // loops until StopMusic
    double musicOn = 1, musicVolume = 1;
    double lastChannel = -1;  // what PlaySound gave last
    for (;;) {
        // Pan runs from -1 (left only) to 1 (right only). Volume 1 is full strength; lower volumes
        // take 1 dB off for each hundredth below 1, so 0.9 is 10 dB quieter (a third of the amplitude).
        if (Pressed(2)) lastChannel = PlaySound(kLeft, -1, 1);
        if (Pressed(3)) lastChannel = PlaySound(kRight, 0.1, 0.9);
        if (Pressed(4)) {
            // Each call takes the next free copy: the three play together.
            for (double i = 0; i < kChordCopies; i++) lastChannel = PlaySound(kChord, 0, 1);
        }
        if (Pressed(50)) {
            musicOn = 1 - musicOn;
            if (musicOn != 0)
                PlayMusic("music.wav");
            else
                StopMusic();
        }
        if (Pressed(200) && musicVolume < 1) musicVolume = musicVolume + 0.1;
        if (Pressed(208) && musicVolume > 0.05) musicVolume = musicVolume - 0.1;
        SetMusicVolume(musicVolume);  // does nothing while the volume stays the same

        PrintText("1: left   2: right, quiet   3: three copies   M: music   Up/Down: music volume", 10, 20);
        PrintText("Channel of the last sound:", 10, 60);
        PrintNumber(lastChannel, 230, 60);
        PrintText("Music volume:", 10, 80);
        PrintNumber(musicOn * musicVolume, 230, 80);
        // A lamp per copy of the chord's slot: channel = copy + 256 x slot.
        PrintText("Copies of sound 3 playing:", 10, 120);
        for (double copy = 0; copy < 4; copy++) {
            const double playing = SoundPlaying(copy + 256 * kChord);
            DrawRect(230 + copy * 40, 112, 30, 20, playing != 0 ? 0x00FF00 : 0x404040);
        }
        ShowScreen();
        if (KeyState(1) != 0) break;
    }
    EndProgram();
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "Sound and music", SoundMain); }
