// The engine tests' game program: each mode (the first argument) prints what its test checks.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "engine/media.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/texture_store.h"
#include "gfx3d/gfx3d.h"
#include "platform/window.h"
#include "sound/sound.h"

namespace {

int g_argc = 0;
char** g_argv = nullptr;

const char* Arg(int i) { return i < g_argc ? g_argv[i] : ""; }
double Number(int i) { return std::atof(Arg(i)); }

// pace FPS: how long 60 frames took and their mean frame time.
void Pace() {
    LimitFps(Number(2));
    ShowScreen();
    const double start = GetElapsedTime();
    double frameTimes = 0;
    for (int i = 0; i < 60; ++i) {
        ShowScreen();
        frameTimes += GetFrameTime();
    }
    std::printf("elapsed %.3f mean %.3f\n", GetElapsedTime() - start, frameTimes / 60);
}

// count ESCAPE: frames cleared in changing colours, each numbered after it was shown.
void CountFrames() {
    AllowEscape(Number(2));
    for (int frame = 1;; ++frame) {
        glClearColor((frame * 10 % 256) / 255.0f, (255 - frame * 10 % 256) / 255.0f, 128 / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ShowScreen();
        std::printf("frame %d\n", frame);
        std::fflush(stdout);
    }
}

void FullScreen() {
    const OpenGLZazuzive& d = *g_engine.display;
    int w = 0, h = 0;
    platform::GetDesktopSize(g_engine.mainWindow, w, h);
    SetScreen(w, h, 1);
    std::printf("full %g %d %d\n", IsFullScreen(), d.clientWidth == w, d.clientHeight == h);
    SetScreen(640, 480, 0);
    std::printf("windowed %g %d %d\n", IsFullScreen(), d.clientWidth, d.clientHeight);
    SetScreen(333, 222, 1);
    std::printf("odd %g\n", IsFullScreen());
}

void BadNumbers() {
    SetScreen(-5, NAN, NAN);
    for (double fps : {double{NAN}, -3.0}) {
        LimitFps(fps);
        std::printf("period %g\n", g_engine.display->framePeriod);
    }
    LimitFps(1e300);
    SleepMs(NAN);
    SleepMs(-1e300);
    AllowEscape(NAN);
    SetScreen(1e300, 1e300, 0);
    std::printf("client %d %d\n", g_engine.display->clientWidth > 0, g_engine.display->clientHeight > 0);
    ShowScreen();
}

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

// The screen that text entry freezes: blue, with a red square at (300, 300) of 40 x 40.
void PaintScreen() {
    ShowScreen();
    DrawRect(0, 0, 640, 480, 0xFF0000);
    DrawRect(300, 300, 40, 40, 0x0000FF);
}

void MainBody() {
    const std::string mode = Arg(1);
    if (mode == "pace") Pace();
    if (mode == "count") CountFrames();
    if (mode == "fullscreen") FullScreen();
    if (mode == "bad") BadNumbers();
    if (mode == "video") Video();
    if (mode == "debug") {
        g_engine.debugMode = 1;
        SetSourcePosition(2, 5);
        ShowScreen();
    }
    while (mode == "print3d") {
        Start3D(1, 1000, 60);
        SetCamera(0, 0, -100, 0, 0, 0);
        Print3D("HI", 0, 0, 0, 0);  // on the screen, centred on the projected point
        ShowScreen();
    }
    if (mode == "loop") {  // loop FILE: how long PlayVideoLoop ran
        ShowScreen();
        std::printf("looping\n");
        std::fflush(stdout);
        const double start = GetElapsedTime();
        PlayVideoLoop(Arg(2));
        std::printf("loop %.0f\n", GetElapsedTime() - start);
    }
    if (mode == "music") {  // music MUSIC VIDEO: the video played once over the music
        PlayMusic(Arg(2));
        ShowScreen();
        PlayVideo(Arg(3));
        std::printf("played\n");
    }
    if (mode == "text") {  // text INITIAL X Y ESCAPE: InputText on the initial text, Esc allowed or not
        AllowEscape(Number(5));
        PaintScreen();
        RtString text = Arg(2);
        InputText(text, Number(3), Number(4));
        std::printf("text [%s] %u layer %d\n", text.CText(), text.Length(),
                    tarvok::Store().layers[3].columns);
        ShowScreen();
    }
    if (mode == "number") {  // number X Y: InputNumber, printed by the number text rule
        PaintScreen();
        double value = -1;
        InputNumber(value, Number(2), Number(3));
        std::printf("number %s\n", RtString(value).CText());
    }
}

}  // namespace

int main(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    ProgramMain(argc, argv, "probe", MainBody);
}
