// Keyboard and mouse commands over the key states that the key script feeds (SDL's dummy video, whose
// layout is the US one), the waiting commands, and the mouse without a window.
#include <SDL.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "input/input.h"
#include "platform/input_state.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"

namespace {

constexpr int kEsc = 1, kA = 30, kB = 48, kQ = 16, kEnter = 28, kBackspace = 14, kLeftShift = 42,
              kRightShift = 54, kSpace = 57, kKeypadEnter = 156, kUp = 200, kDigit1 = 2, kKeypad7 = 71;

void Hold(int code, bool down) { platform::Devices().scriptKeys[static_cast<std::size_t>(code)] = down ? 1 : 0; }

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

TEST_F(Commands, KeyStateByScanCode) {
    EXPECT_EQ(KeyState(kEsc), 0);
    Hold(kEsc, true);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(KeyState(kEsc), 1);  // every call while held
    EXPECT_EQ(KeyState(257), 1);
    EXPECT_EQ(KeyState(1.7), 1);
    EXPECT_EQ(KeyState(-255), 1);
    EXPECT_EQ(KeyState(129), 0);  // the extended code is another key
    Hold(kEsc, false);
    EXPECT_EQ(KeyState(kEsc), 0);

    Hold(kUp, true);
    EXPECT_EQ(KeyState(kUp), 1);
    EXPECT_EQ(KeyState(kUp - 128), 0);
    Hold(255, true);
    EXPECT_EQ(KeyState(-1), 1);
    EXPECT_EQ(KeyState(NAN), 0);
    EXPECT_EQ(KeyState(1e300), 1);  // saturates to the largest integer, whose low byte is 255
    EXPECT_EQ(KeyState(-INFINITY), 0);
}

TEST_F(Commands, TypedCharacters) {
    EXPECT_STREQ(InKey().CText(), "");
    Hold(kA, true);
    EXPECT_STREQ(InKey().CText(), "a");
    EXPECT_STREQ(InKey().CText(), "");  // held: once
    EXPECT_STREQ(InKey().CText(), "");
    Hold(kA, false);
    EXPECT_STREQ(InKey().CText(), "");
    Hold(kA, true);
    EXPECT_STREQ(InKey().CText(), "a");  // pressed again
    Hold(kA, false);
    InKey();

    Hold(kLeftShift, true);
    EXPECT_STREQ(InKey().CText(), "");  // Shift alone
    Hold(kA, true);
    EXPECT_STREQ(InKey().CText(), "A");
    Hold(kA, false);
    Hold(kLeftShift, false);
    Hold(kRightShift, true);
    Hold(kQ, true);
    EXPECT_STREQ(InKey().CText(), "Q");
    Hold(kQ, false);
    Hold(kRightShift, false);

    const std::pair<int, const char*> keys[] = {
        {kEnter, "\n"}, {kKeypadEnter, "\n"}, {kBackspace, "\b"}, {kSpace, " "}, {kDigit1, "1"}, {kKeypad7, "7"}};
    for (const auto& [code, text] : keys) {
        InKey();
        Hold(code, true);
        EXPECT_STREQ(InKey().CText(), text) << code;
        Hold(code, false);
    }
    Hold(kEsc, true);
    EXPECT_STREQ(InKey().CText(), "");
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
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 479);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
    EXPECT_EQ(input.mouseX, 0);  // kept clamped
    EXPECT_EQ(input.mouseY, 479);

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
    const std::uint32_t status = StartInput(nullptr, true);
    EXPECT_EQ(status, 0x8000000Cu);
    EXPECT_EQ(g_engine.input->absoluteMode, 0);
    EXPECT_EQ(g_engine.input->mouseX, 100);
    EXPECT_EQ(g_engine.input->mouseY, 100);
    std::ifstream log(ErrorLogPath().CText(), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(log), {});
    EXPECT_NE(text.find("No DX_Mouse\r\n"), std::string::npos) << text;
    SystemPointer(1);
    EXPECT_EQ(g_engine.input->absoluteMode, 1);
    EXPECT_EQ(g_engine.input->mouseLevel, 6);
    SystemPointer(NAN);  // NaN counts as on
    EXPECT_EQ(g_engine.input->absoluteMode, 1);
    SystemPointer(0);
    EXPECT_EQ(g_engine.input->absoluteMode, 0);
    EXPECT_EQ(g_engine.input->mouseLevel, 5);
    StopInput();
    EXPECT_EQ(g_engine.input, nullptr);
}
