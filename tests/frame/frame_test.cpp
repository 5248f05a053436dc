#include <cmath>

#include <gtest/gtest.h>

#include "frame/frame.h"
#include "runtime/engine_globals.h"

TEST(Frame, ScheduleAdvancesOneSlotOrJumpsToThePresent) {
    const double period = 1000.0 / 60.0;
    // On time: one period on.
    EXPECT_DOUBLE_EQ(AdvanceFrameSchedule(1000, period, 1000.5), 1000 + period);
    // After a 2 s stall the next slot is the first one after now, not a burst of old ones.
    const double next = AdvanceFrameSchedule(1000, period, 3000);
    EXPECT_GE(next, 3000);
    EXPECT_LT(next - period, 3000);
    const double slots = (next - 1000) / period;
    EXPECT_NEAR(slots, std::round(slots), 1e-6);
    // A period of 0 or less never loops.
    EXPECT_DOUBLE_EQ(AdvanceFrameSchedule(10, 0, 1e9), 10);
}

TEST(Frame, FrameRateAndFrameTime) {
    OpenGLZazuzive display;
    SetFrameRate(display, 60);
    EXPECT_DOUBLE_EQ(display.framePeriod, 1000.0 / 60.0);
    SetFrameRate(display, 0);
    EXPECT_DOUBLE_EQ(display.framePeriod, 2.0);
    SetFrameRate(display, -5);
    EXPECT_DOUBLE_EQ(display.framePeriod, 2.0);

    g_engine.previousFrameTime = 100;
    g_engine.currentFrameTime = 116.5;
    EXPECT_DOUBLE_EQ(GetFrameTime(), 16.5);
    g_engine.currentFrameTime = 100;  // two flips in the same millisecond
    EXPECT_DOUBLE_EQ(GetFrameTime(), 1.0);
    g_engine.currentFrameTime = 90;
    EXPECT_DOUBLE_EQ(GetFrameTime(), 1.0);

    AllowEscape(0);
    EXPECT_EQ(g_engine.escapeEnds, 0);
    AllowEscape(NAN);
    EXPECT_EQ(g_engine.escapeEnds, 1);
    EXPECT_EQ(IsFullScreen(), 0.0);  // no display yet
}

TEST(Frame, ExtensionNamesMatchWholeWords) {
    const char* list = "GL_ARB_multitexture GL_EXT_framebuffer_object_x GL_ARB_vertex_buffer_object";
    EXPECT_TRUE(ExtensionListHas(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(ExtensionListHas(list, "GL_ARB_vertex_buffer_object"));
    EXPECT_FALSE(ExtensionListHas(list, "GL_EXT_framebuffer_object"));
    EXPECT_FALSE(ExtensionListHas(list, "GL_ARB_multi"));
    EXPECT_FALSE(ExtensionListHas(list, "multitexture"));
    EXPECT_FALSE(ExtensionListHas("", "GL_ARB_multitexture"));
    EXPECT_FALSE(ExtensionListHas(list, ""));
}

TEST(Frame, WindowProcedurePausesAndCloses) {
    OpenGLZazuzive display;  // no window: titles go nowhere, the flags are what counts
    g_engine.engineStarted = 1;
    g_engine.debugMode = 0;
    MainWndProc(display, platform::WindowEventKind::Deactivated);
    EXPECT_EQ(g_engine.paused, 1);
    MainWndProc(display, platform::WindowEventKind::Activated);
    EXPECT_EQ(g_engine.paused, 0);
    g_engine.debugMode = 1;  // debug mode never pauses
    MainWndProc(display, platform::WindowEventKind::Deactivated);
    EXPECT_EQ(g_engine.paused, 0);
    g_engine.debugMode = 0;
    g_engine.engineStarted = 0;  // nor does a window before the engine has started
    MainWndProc(display, platform::WindowEventKind::Deactivated);
    EXPECT_EQ(g_engine.paused, 0);

    // The close box ends the program at once, leaving the error code as it was.
    EXPECT_EXIT(
        {
            g_engine.errorCode = 42;
            g_engine.debugMode = 1;
            MainWndProc(display, platform::WindowEventKind::Close);
        },
        testing::ExitedWithCode(0), "");
}
