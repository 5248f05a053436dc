// A small game program the engine tests run as a separate process: each mode exercises one behaviour
// and prints what the test checks.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "gfx3d/gfx3d.h"
#include "platform/window.h"

namespace {

std::string g_mode;
double g_arg = 0;

void Colours() {
    for (int frame = 1;; ++frame) {
        glClearColor((frame * 10 % 256) / 255.0f, (255 - frame * 10 % 256) / 255.0f, 128 / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ShowScreen();
    }
}

void Pace() {
    LimitFps(g_arg);
    ShowScreen();
    const double start = GetElapsedTime();
    double frameTimes = 0;
    for (int i = 0; i < 60; ++i) {
        ShowScreen();
        frameTimes += GetFrameTime();
    }
    std::printf("elapsed %.3f mean %.3f\n", GetElapsedTime() - start, frameTimes / 60);
}

void CountFrames() {
    AllowEscape(g_arg);
    for (int frame = 1;; ++frame) {
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

void MainBody() {
    if (g_mode == "colours") Colours();
    if (g_mode == "pace") Pace();
    if (g_mode == "count") CountFrames();
    if (g_mode == "fullscreen") FullScreen();
    if (g_mode == "bad") BadNumbers();
    if (g_mode == "debug") {
        g_engine.debugMode = 1;
        SetSourcePosition(2, 5);
        ShowScreen();
    }
    while (g_mode == "print3d") {
        Start3D(1, 1000, 60);
        SetCamera(0, 0, -100, 0, 0, 0);
        Print3D("HI", 0, 0, 0, 0);  // on the screen, centred on the projected point
        ShowScreen();
    }
}

}  // namespace

int main(int argc, char** argv) {
    g_mode = argc > 1 ? argv[1] : "";
    g_arg = argc > 2 ? std::atof(argv[2]) : 0;
    ProgramMain(argc, argv, "probe", MainBody);
}
