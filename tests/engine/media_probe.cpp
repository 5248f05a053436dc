// A small game program for the video and text entry tests, run as a separate process: each mode calls
// one command and prints what the test checks.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "engine/media.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/texture_store.h"
#include "sound/sound.h"

namespace {

int g_argc = 0;
char** g_argv = nullptr;

const char* Arg(int i) { return i < g_argc ? g_argv[i] : ""; }
double Number(int i) { return std::atof(Arg(i)); }

// video FILE REPEAT [WIDTH HEIGHT]: ShowVideo's result and how long it took, then one more frame.
void Video() {
    if (g_argc > 5) SetScreen(Number(4), Number(5), 0);
    ShowScreen();
    const double start = GetElapsedTime();
    const double result = ShowVideo(Arg(2), Number(3));
    std::printf("video %g %.0f\n", result, GetElapsedTime() - start);
    ShowScreen();
    std::printf("after\n");
}

// loop FILE: PlayVideoLoop and how long it ran.
void Loop() {
    ShowScreen();
    std::printf("looping\n");
    std::fflush(stdout);
    const double start = GetElapsedTime();
    PlayVideoLoop(Arg(2));
    std::printf("loop %.0f\n", GetElapsedTime() - start);
}

// music MUSIC VIDEO: music started, then the video played once.
void MusicAndVideo() {
    PlayMusic(Arg(2));
    ShowScreen();
    PlayVideo(Arg(3));
    std::printf("played\n");
}

// The screen that text entry freezes: blue, with a red square at (300, 300) of 40 x 40.
void PaintScreen() {
    ShowScreen();
    DrawRect(0, 0, 640, 480, 0xFF0000);
    DrawRect(300, 300, 40, 40, 0x0000FF);
}

// text INITIAL X Y ESCAPE: InputText on the initial text, with Esc allowed or not.
void Text() {
    AllowEscape(Number(5));
    PaintScreen();
    RtString text = Arg(2);
    InputText(text, Number(3), Number(4));
    std::printf("text [%s] %u layer %d\n", text.CText(), text.Length(), tarvok::Store().layers[3].columns);
    ShowScreen();
}

// number X Y: InputNumber, printed by the number text rule.
void NumberEntry() {
    PaintScreen();
    double value = -1;
    InputNumber(value, Number(2), Number(3));
    std::printf("number %s\n", RtString(value).CText());
}

void MainBody() {
    const std::string mode = Arg(1);
    if (mode == "video") Video();
    if (mode == "loop") Loop();
    if (mode == "music") MusicAndVideo();
    if (mode == "text") Text();
    if (mode == "number") NumberEntry();
}

}  // namespace

int main(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    ProgramMain(argc, argv, "media probe", MainBody);
}
