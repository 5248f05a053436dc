// Joysticks through SDL's virtual joysticks: axes, hats, buttons, names, the limit of ten, unplugging,
// and force feedback on a device without it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "input/input.h"
#include "runtime/engine_globals.h"

namespace {

class Joysticks : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "real joysticks are attached";
    }
    void TearDown() override {
        StopInput();
        for (SDL_Joystick* j : handles_) SDL_JoystickClose(j);
        while (SDL_NumJoysticks() > 0) SDL_JoystickDetachVirtual(0);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    // Attaches a pad named "Pad N" with six axes, 32 buttons and one hat; a handle to set its values.
    SDL_Joystick* Attach(int n) {
        const std::string name = "Pad " + std::to_string(n);
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = 6;
        desc.nbuttons = 32;
        desc.nhats = 1;
        desc.name = name.c_str();
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* j = SDL_JoystickOpen(index);
        EXPECT_NE(j, nullptr) << SDL_GetError();
        handles_.push_back(j);
        return j;
    }

    std::vector<SDL_Joystick*> handles_;
};

}  // namespace

TEST_F(Joysticks, AxesHatsAndButtonsOfOnePad) {
    SDL_Joystick* pad = Attach(0);
    StartInput(nullptr, false);
    ASSERT_EQ(GetJoystickCount(), 1);
    EXPECT_STREQ(GetJoystickName(0).CText(), "Pad 0, Pad 0");
    EXPECT_FALSE(AnyJoystickActive());

    // Each axis reads value / 32767, -32768 clamped to -1.
    const Sint16 values[6] = {16384, -16384, 32767, -32768, 100, -1};
    double (*const axes[6])(double) = {JoyX, JoyY, JoyZ, JoyRX, JoyRY, JoyRZ};
    for (int axis = 0; axis < 6; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, values[axis]);
    for (int axis = 0; axis < 6; ++axis)
        EXPECT_DOUBLE_EQ(axes[axis](0), std::max(values[axis] / 32767.0, -1.0)) << axis;
    EXPECT_TRUE(AnyJoystickActive());
    EXPECT_DOUBLE_EQ(JoyX(0.9), 16384 / 32767.0);  // truncated joystick number

    // JoyState: the axes as -1, 0 or 1 (value / 30000 toward zero), the first two buttons as 0 or 128.
    double x, y, b1, b2;
    SDL_JoystickSetVirtualAxis(pad, 0, 30000);
    SDL_JoystickSetVirtualAxis(pad, 1, -29999);
    SDL_JoystickSetVirtualButton(pad, 1, SDL_PRESSED);
    JoyState(x, y, b1, b2);
    EXPECT_EQ(std::make_tuple(x, y, b1, b2), std::make_tuple(1, 0, 0, 128));
    SDL_JoystickSetVirtualAxis(pad, 0, -32768);
    SDL_JoystickSetVirtualAxis(pad, 1, 29999);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
    JoyState(x, y, b1, b2);
    EXPECT_EQ(std::make_tuple(x, y, b1, b2), std::make_tuple(-1, 0, 128, 128));

    for (int axis = 0; axis < 6; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, 0);
    SDL_JoystickSetVirtualButton(pad, 0, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(pad, 1, SDL_RELEASED);
    EXPECT_FALSE(AnyJoystickActive());
    SDL_JoystickSetVirtualButton(pad, 31, SDL_PRESSED);
    EXPECT_TRUE(AnyJoystickActive());
    SDL_JoystickSetVirtualButton(pad, 31, SDL_RELEASED);

    struct Hat {
        Uint8 sdl;
        double povX, povY;
        bool active;
    };
    const Hat hats[] = {{SDL_HAT_UP, 0, -1, true},      {SDL_HAT_DOWN, 0, 1, true},
                        {SDL_HAT_LEFT, -1, 0, true},    {SDL_HAT_RIGHT, 1, 0, true},
                        {SDL_HAT_RIGHTUP, 0, 0, false}, {SDL_HAT_LEFTDOWN, 0, 0, false},
                        {SDL_HAT_CENTERED, 0, 0, false}};
    for (const Hat& h : hats) {
        SDL_JoystickSetVirtualHat(pad, 0, h.sdl);
        EXPECT_EQ(JoyPovX(0), h.povX) << int(h.sdl);
        EXPECT_EQ(JoyPovY(0), h.povY) << int(h.sdl);
        EXPECT_EQ(AnyJoystickActive(), h.active) << int(h.sdl);
    }

    // Without force feedback the command does nothing, whatever its numbers.
    JoyForceFeedback(0, 500, 1, -1);
    JoyForceFeedback(0, NAN, NAN, INFINITY);
    EXPECT_DOUBLE_EQ(JoyX(0), 0);
}

TEST_F(Joysticks, TenAreTakenAndAnEleventhRefused) {
    for (int n = 0; n < 11; ++n) Attach(n);
    StartInput(nullptr, false);
    EXPECT_EQ(GetJoystickCount(), 10);
    for (int n = 0; n < 10; ++n) {
        const std::string name = "Pad " + std::to_string(n);
        EXPECT_EQ(GetJoystickName(n).CText(), name + ", " + name);
    }
    for (double bad : {10.0, -1.0, 1e300}) EXPECT_STREQ(GetJoystickName(bad).CText(), "") << bad;
    EXPECT_STREQ(GetJoystickName(NAN).CText(), "Pad 0, Pad 0");  // NaN counts as 0

    // Each number reads its own pad; the eleventh pad is never read.
    for (int n = 0; n < 11; ++n)
        SDL_JoystickSetVirtualAxis(handles_[static_cast<std::size_t>(n)], 0,
                                   static_cast<Sint16>(1000 * (n + 1)));
    for (int n = 0; n < 10; ++n) EXPECT_DOUBLE_EQ(JoyX(n), 1000 * (n + 1) / 32767.0) << n;
    for (double bad : {-1.0, 10.0, 11.0, -1e300, 1e300}) {
        EXPECT_EQ(JoyX(bad), 0) << bad;
        EXPECT_EQ(JoyPovX(bad), 0) << bad;
        EXPECT_EQ(JoyPovY(bad), 0) << bad;  // no device reads as centred, not as up
        JoyForceFeedback(bad, 100, 1, 1);
    }

    // Unplugging one while running: it reads as absent, the others go on.
    SDL_JoystickSetVirtualHat(handles_[3], 0, SDL_HAT_UP);
    EXPECT_EQ(JoyPovY(3), -1);
    SDL_JoystickSetVirtualButton(handles_[3], 0, SDL_PRESSED);
    ASSERT_EQ(SDL_JoystickDetachVirtual(3), 0) << SDL_GetError();
    EXPECT_EQ(JoyX(3), 0);
    EXPECT_EQ(JoyPovY(3), 0);
    EXPECT_DOUBLE_EQ(JoyX(4), 5000 / 32767.0);
    EXPECT_EQ(GetJoystickCount(), 10);
    JoyForceFeedback(3, 100, 1, 1);
    for (int n = 0; n < 11; ++n) SDL_JoystickSetVirtualAxis(handles_[static_cast<std::size_t>(n)], 0, 0);
    EXPECT_FALSE(AnyJoystickActive());
}

TEST_F(Joysticks, NothingBeforeStartOrWithoutPads) {
    for (bool started : {false, true}) {
        if (started) StartInput(nullptr, false);
        EXPECT_EQ(GetJoystickCount(), 0);
        EXPECT_EQ(JoyX(0) + JoyPovX(0) + JoyPovY(0), 0) << started;
        EXPECT_STREQ(GetJoystickName(0).CText(), "");
        EXPECT_FALSE(AnyJoystickActive());
        double x = 5, y = 5, b1 = 5, b2 = 5;
        JoyState(x, y, b1, b2);
        EXPECT_EQ(x + y + b1 + b2, 0);
        JoyForceFeedback(0, 100, 1, 1);
    }
}
