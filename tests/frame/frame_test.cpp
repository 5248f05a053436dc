#include "frame/frame.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/engine_globals.h"

TEST(Frame, ScheduleRatesAndFrameTime) {
    // One period on; after a 2 s stall the first slot after now, no burst; a period of 0 never loops.
    const double period = 1000.0 / 60.0;
    EXPECT_DOUBLE_EQ(AdvanceFrameSchedule(1000, period, 1000.5), 1000 + period);
    const double next = AdvanceFrameSchedule(1000, period, 3000);
    EXPECT_TRUE(next >= 3000 && next - period < 3000) << next;
    EXPECT_NEAR((next - 1000) / period, std::round((next - 1000) / period), 1e-6);
    EXPECT_DOUBLE_EQ(AdvanceFrameSchedule(10, 0, 1e9), 10);

    // A rate of 0 or less gives a period of 2 ms.
    OpenGLZazuzive display;
    for (int rate : {0, -5}) {
        SetFrameRate(display, rate);
        EXPECT_DOUBLE_EQ(display.framePeriod, 2.0) << rate;
    }
    // Two flips in the same millisecond, or a clock that went back, give a frame time of 1.
    g_engine.previousFrameTime = 100;
    for (const auto& [current, frameTime] :
         {std::pair{116.5, 16.5}, std::pair{100.0, 1.0}, std::pair{90.0, 1.0}}) {
        g_engine.currentFrameTime = current;
        EXPECT_DOUBLE_EQ(GetFrameTime(), frameTime) << current;
    }
    AllowEscape(0);
    EXPECT_EQ(g_engine.escapeEnds, 0);
    AllowEscape(NAN);
    EXPECT_EQ(g_engine.escapeEnds, 1);
    EXPECT_EQ(IsFullScreen(), 0.0);  // no display yet
}

TEST(Frame, ExtensionNamesMatchWholeWords) {
    const char* list = "GL_ARB_multitexture GL_EXT_framebuffer_object_x GL_ARB_vertex_buffer_object";
    for (const char* name : {"GL_ARB_multitexture", "GL_ARB_vertex_buffer_object"})
        EXPECT_TRUE(ExtensionListHas(list, name)) << name;
    for (const char* name : {"GL_EXT_framebuffer_object", "GL_ARB_multi", "multitexture", ""})
        EXPECT_FALSE(ExtensionListHas(list, name)) << name;
    EXPECT_FALSE(ExtensionListHas("", "GL_ARB_multitexture"));
}

TEST(Frame, WindowProcedurePausesAndCloses) {
    // No window (titles go nowhere); debug mode and a window before the engine's start never pause.
    OpenGLZazuzive display;
    const std::tuple<int, int, platform::WindowEventKind, int> steps[] = {
        {1, 0, platform::WindowEventKind::Deactivated, 1},
        {1, 0, platform::WindowEventKind::Activated, 0},
        {1, 1, platform::WindowEventKind::Deactivated, 0},
        {0, 0, platform::WindowEventKind::Deactivated, 0},
    };
    for (const auto& [started, debug, kind, paused] : steps) {
        g_engine.engineStarted = started;
        g_engine.debugMode = debug;
        MainWndProc(display, kind);
        EXPECT_EQ(g_engine.paused, paused) << started << debug;
    }
    // The close box ends the program at once, leaving the error code as it was.
    EXPECT_EXIT(
        {
            g_engine.errorCode = 42;
            g_engine.debugMode = 1;
            MainWndProc(display, platform::WindowEventKind::Close);
        },
        testing::ExitedWithCode(0), "");
}
