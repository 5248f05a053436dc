// Keyboard and mouse commands over the key states that the key script feeds (SDL's dummy video, whose
// layout is the US one), the waiting commands, and the mouse without a window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include "input/input.h"
#include "platform/input_state.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"

namespace {

constexpr int kEsc = 1, kA = 30, kB = 48, kQ = 16, kLeftShift = 42, kRightShift = 54, kUp = 200;

void Hold(int code, bool down) {
    platform::Devices().scriptKeys[static_cast<std::size_t>(code)] = down ? 1 : 0;
}

class Commands : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        platform::Devices() = {};
        g_inputHooks = {};
        StartInput(nullptr, false);
    }
    void TearDown() override {
        StopInput();
        g_inputHooks = {};
        platform::Devices() = {};
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

int g_idleCalls = 0;

}  // namespace

TEST_F(Commands, KeyStateTakesTheTruncatedCodeModulo256) {
    // The game's number, the key it reads: never before the array, NaN as 0, huge numbers saturated.
    const std::pair<double, int> codes[] = {{kEsc, kEsc}, {257, kEsc},  {1.7, kEsc},   {-255, kEsc},
                                            {kUp, kUp},   {-1, 255},    {256, 0},      {-0.5, 0},
                                            {NAN, 0},     {1e300, 255}, {-INFINITY, 0}};
    for (const auto& [code, key] : codes) {
        EXPECT_EQ(KeyState(code), 0) << code;
        Hold(key, true);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(KeyState(code), 1) << code;  // every call while held
        EXPECT_EQ(KeyState(key ^ 128), 0) << code;                         // the extended twin is another key
        Hold(key, false);
    }
}

TEST_F(Commands, TypedCharacters) {
    EXPECT_STREQ(InKey().CText(), "");
    Hold(kA, true);
    EXPECT_STREQ(InKey().CText(), "a");
    EXPECT_STREQ(InKey().CText(), "");  // held: once
    Hold(kQ, true);
    EXPECT_STREQ(InKey().CText(), "q");  // another key while held, lower in number
    Hold(kQ, false);
    Hold(kA, false);
    EXPECT_STREQ(InKey().CText(), "");
    Hold(kA, true);
    EXPECT_STREQ(InKey().CText(), "a");  // pressed again
    Hold(kA, false);

    // Each key with Shift held or not, typed through the layout (Enter of both kinds 10, Backspace 8).
    const std::tuple<int, int, const char*> keys[] = {
        {kLeftShift, 0, ""}, {kLeftShift, kA, "A"}, {kRightShift, kQ, "Q"}, {28, 0, "\n"},
        {156, 0, "\n"},      {14, 0, "\b"},         {57, 0, " "},           {2, 0, "1"},
        {71, 0, "7"},        {kEsc, 0, ""}};
    for (const auto& [first, second, text] : keys) {
        InKey();
        Hold(first, true);
        Hold(second, second != 0);
        EXPECT_STREQ(InKey().CText(), text) << first << " " << second;
        Hold(first, false);
        Hold(second, false);
    }
}

TEST_F(Commands, KeyWaitTakesOneCharacter) {
    // The key is pressed while the wait idles; the character is consumed.
    g_idleCalls = 0;
    g_inputHooks.idleStep = [] {
        if (++g_idleCalls == 3) Hold(kB, true);
    };
    g_inputHooks.musicLoopCheck = [] {};
    KeyWait();
    EXPECT_EQ(g_idleCalls, 3);
    EXPECT_STREQ(InKey().CText(), "");  // still held: not reported again
    Hold(kB, false);
    EXPECT_STREQ(InKey().CText(), "");
    Hold(kB, true);
    EXPECT_STREQ(InKey().CText(), "b");

    // A key already typed and held keeps the wait going until another key types.
    g_idleCalls = 0;
    g_inputHooks.idleStep = [] {
        if (++g_idleCalls == 2) Hold(kA, true);
    };
    KeyWait();
    EXPECT_EQ(g_idleCalls, 2);
}

TEST_F(Commands, MousePositionIsClampedAndKept) {
    InputSystem& input = *g_engine.input;
    g_engine.screenWidth = 640;
    g_engine.screenHeight = 480;
    input.absoluteMode = 0;  // relative: the position is the game's own
    input.mouseX = -40;
    input.mouseY = 9000;
    double x = -1, y = -1, left = -1, right = -1;
    MouseState(x, y, left, right);
    EXPECT_EQ(std::make_tuple(x, y, left, right), std::make_tuple(0, 479, 0, 0));
    EXPECT_EQ(std::make_pair(input.mouseX, input.mouseY), std::make_pair(0, 479));  // kept clamped

    // One sample per frame: repeated reads give the stored motion until the next frame marks one due.
    input.mouseSampleDue = 0;
    input.lastDx = 7;
    input.lastWheel = -1;
    EXPECT_EQ(MouseAxis(0), 7);
    EXPECT_EQ(MouseAxis(0), 7);
    EXPECT_EQ(MouseAxis(2), -1);
    PollInputFrame();
    EXPECT_EQ(MouseAxis(0), 0);  // a new sample without motion
    EXPECT_EQ(MouseAxis(2), 0);
    for (double axis : {3.0, 4.0, 5.0, 6.0, -1.0, 1e300}) EXPECT_EQ(MouseAxis(axis), 0) << axis;
    input.lastDy = -3;
    EXPECT_EQ(MouseAxis(1.5), -3);
}

TEST_F(Commands, NothingBeforeStart) {
    StopInput();
    EXPECT_EQ(KeyState(kEsc), 0);
    EXPECT_STREQ(InKey().CText(), "");
    KeyWait();
    MouseWait();
    double x = 3, y = 3, l = 3, r = 3;
    MouseState(x, y, l, r);
    EXPECT_EQ(x + y + l + r, 0);
    EXPECT_EQ(MouseAxis(0), 0);
    SystemPointer(1);
    PollInputFrame();
    ReapplyMouseMode();
}

TEST(InputStart, HiddenPointerWithoutCaptureIsLogged) {
    // Without a video system the mouse cannot be captured: the start goes on and says so.
    EXPECT_EQ(StartInput(nullptr, true), 0x8000000Cu);
    EXPECT_EQ(g_engine.input->absoluteMode, 0);
    EXPECT_EQ(std::make_pair(g_engine.input->mouseX, g_engine.input->mouseY), std::make_pair(100, 100));
    std::ifstream log(ErrorLogPath().CText(), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(log), {});
    EXPECT_NE(text.find("No DX_Mouse\r\n"), std::string::npos) << text;
    // The system pointer on (NaN counts as on) and off: absolute mode and the mouse level follow.
    const std::tuple<double, int, int> modes[] = {{1, 1, 6}, {NAN, 1, 6}, {0, 0, 5}};
    for (const auto& [on, mode, level] : modes) {
        SystemPointer(on);
        EXPECT_EQ(g_engine.input->absoluteMode, mode) << on;
        EXPECT_EQ(g_engine.input->mouseLevel, level) << on;
    }
    StopInput();
    EXPECT_EQ(g_engine.input, nullptr);
}
