// Frame pacing and the timer commands.
#include <GL/gl.h>

#include <cmath>

#include "frame/frame.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

namespace {

// Within this many ms of the slot the loop polls instead of sleeping.
constexpr double kPollWindowMs = 5.0;

bool DispatchOne(OpenGLZazuzive& display) {
    platform::WindowEventKind kind;
    if (!platform::PollWindowEvent(kind)) return false;
    MainWndProc(display, kind);
    return true;
}

}  // namespace

void SetFrameRate(OpenGLZazuzive& display, int framesPerSecond) {
    display.framePeriod = framesPerSecond > 0 ? 1000.0 / framesPerSecond : 2.0;
}

int PumpMessages(OpenGLZazuzive& display) {
    while (DispatchOne(display)) {
    }
    return 1;
}

double SwapAndWait(OpenGLZazuzive& display) {
    FlushQueuedDrawing();
    if (g_displayHooks.finishSurface) g_displayHooks.finishSurface();
    if (g_displayHooks.beforeSwap) g_displayHooks.beforeSwap();
    platform::SaveShotIfDue(display.clientWidth, display.clientHeight);
    platform::SwapGlWindow(display.window);

    const double t0 = FrameClock();
    double now = t0;
    const bool paced = !platform::Unpaced();
    for (;;) {
        if (DispatchOne(display)) continue;
        now = FrameClock();
        if (!paced) break;
        if (display.nextFrameTime > now + kPollWindowMs) {
            const int ms = tarvok::ToInt(display.nextFrameTime - now);
            if (ms > 0) {
                platform::SleepMilliseconds(ms);
                now += ms;
            }
        }
        if (now > display.nextFrameTime) break;
    }
    display.nextFrameTime = AdvanceFrameSchedule(display.nextFrameTime, display.framePeriod, now);
    // Cleared only after the wait: a browser may show the canvas while the program sleeps, and must see
    // the frame just presented rather than an empty one.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return (now - t0) + 1.0;
}

double AdvanceFrameSchedule(double next, double period, double now) {
    next += period;
    if (!(period > 0)) return next;
    // After a long stall the schedule jumps to the present instead of running frames fast to catch up.
    if (now > next) next += std::ceil((now - next) / period) * period;
    while (now > next) next += period;  // rounding of the jump
    return next;
}

void LimitFps(double framesPerSecond) {
    if (g_engine.display) SetFrameRate(*g_engine.display, tarvok::ToInt(framesPerSecond));
}

double GetFrameTime() {
    const double t = g_engine.currentFrameTime - g_engine.previousFrameTime;
    return t > 0 ? t : 1.0;
}

double GetElapsedTime() { return FrameClock() - g_engine.startTime; }

void SleepMs(double milliseconds) { platform::SleepMilliseconds(tarvok::ToInt(milliseconds)); }

void AllowEscape(double flag) { g_engine.escapeEnds = tarvok::ToBool(flag) ? 1 : 0; }

double IsFullScreen() { return g_engine.display && g_engine.display->fullScreen ? 1.0 : 0.0; }
