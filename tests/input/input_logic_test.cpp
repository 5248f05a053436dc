// The input rules over plain values: key numbers, the typed-character rule, mouse samples and clamping,
// joystick axes and hats, force-feedback effects.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "input/input_logic.h"

namespace {

using Keys = std::array<std::uint8_t, 256>;

// A US layout for a few keys, written out by hand from the key positions.
int UsLayout(int code) {
    switch (code) {
        case 2: return '1';
        case 3: return '2';
        case 15: return '\t';
        case 16: return 'q';
        case 30: return 'a';
        case 44: return 'z';
        case 57: return ' ';
        case 1: return 27;    // Esc
        case 211: return 0;   // Delete
        case 40: return 0xE4; // a Latin-1 letter of another layout
        default: return 0;
    }
}

Keys Down(std::initializer_list<int> codes) {
    Keys keys{};
    for (int c : codes) keys[static_cast<std::size_t>(c)] = 0x80;
    return keys;
}

}  // namespace

TEST(InputLogic, KeyIndexIsTheTruncatedCodeModulo256) {
    EXPECT_EQ(tarvok::KeyIndex(1), 1);
    EXPECT_EQ(tarvok::KeyIndex(1.9), 1);
    EXPECT_EQ(tarvok::KeyIndex(257), 1);  // answers for Esc
    EXPECT_EQ(tarvok::KeyIndex(255), 255);
    EXPECT_EQ(tarvok::KeyIndex(256), 0);
    EXPECT_EQ(tarvok::KeyIndex(-1), 255);  // never before the array
    EXPECT_EQ(tarvok::KeyIndex(-0.5), 0);
    EXPECT_EQ(tarvok::KeyIndex(-255), 1);
    EXPECT_EQ(tarvok::KeyIndex(std::nan("")), 0);
    const double huge = std::numeric_limits<double>::max();
    for (double v : {huge, -huge, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        const int index = tarvok::KeyIndex(v);
        EXPECT_GE(index, 0);
        EXPECT_LE(index, 255);
    }
}

TEST(InputLogic, TypedCharacterFollowsTheRule) {
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({}), UsLayout), 0);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({30}), UsLayout), 'a');
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({30, 42}), UsLayout), 'A');
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({44, 54}), UsLayout), 'Z');
    // Shift changes letters only.
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({2, 42}), UsLayout), '1');
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({28}), UsLayout), 10);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({156}), UsLayout), 10);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({14}), UsLayout), 8);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({57}), UsLayout), ' ');
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({40}), UsLayout), 0xE4);
    // Keys that yield nothing: modifiers alone, control characters, keys without a character.
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({54, 56, 69, 29, 58, 221, 42}), UsLayout), 0);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({1, 15, 211}), UsLayout), 0);
    // The lowest key that yields a character wins; keys before it that yield none are passed over.
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({1, 16, 30}), UsLayout), 'q');
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({29, 57, 156}), UsLayout), ' ');
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({29, 156}), UsLayout), 10);
    // Code 255 is outside the rule's range.
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({255}), [](int) -> int { return 'x'; }), 0);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({254}), [](int) -> int { return 'x'; }), 'x');
    // Only bit 7 means down.
    Keys low{};
    low[30] = 0x01;
    EXPECT_EQ(tarvok::FirstTypedCharacter(low, UsLayout), 0);
    // Layout answers outside a byte yield nothing.
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({30}), [](int) { return 0x20AC; }), 0);
    EXPECT_EQ(tarvok::FirstTypedCharacter(Down({30}), [](int) { return -5; }), 0);
}

TEST(InputLogic, HeldKeyTypesOnce) {
    std::uint8_t last = 0;
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 'a'), 'a');
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 'a'), 0);
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 'a'), 0);
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 0), 0);  // released
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 'a'), 'a');  // pressed again
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 'b'), 'b');  // another key while held
    EXPECT_EQ(tarvok::NextTypedCharacter(last, 0xE4), 0xE4);
    EXPECT_EQ(last, 0xE4);
}

TEST(InputLogic, MouseSamplesInBothModes) {
    InputSystem input;
    input.mouseX = 100;
    input.mouseY = 100;
    input.absoluteMode = 0;
    platform::MouseSample s;
    s.x = 500;  // the pointer is ignored in relative mode
    s.motionX = -30;
    s.motionY = 12;
    s.wheel = 3;
    tarvok::TakeMouseSample(input, s);
    EXPECT_EQ(input.mouseX, 70);
    EXPECT_EQ(input.mouseY, 112);
    EXPECT_EQ(input.lastDx, -30);
    EXPECT_EQ(input.lastDy, 12);
    EXPECT_EQ(input.lastWheel, 1);  // one notch or three: the sign

    input.absoluteMode = 1;
    s = {};
    s.x = 75;
    s.y = 100;
    s.motionX = 999;  // motion of the device does not count in absolute mode
    s.wheel = -120;
    tarvok::TakeMouseSample(input, s);
    EXPECT_EQ(input.mouseX, 75);
    EXPECT_EQ(input.mouseY, 100);
    EXPECT_EQ(input.lastDx, 5);
    EXPECT_EQ(input.lastDy, -12);
    EXPECT_EQ(input.lastWheel, -1);

    // Huge motions saturate instead of wrapping.
    input.absoluteMode = 0;
    input.mouseX = std::numeric_limits<std::int32_t>::max() - 5;
    s = {};
    s.motionX = 100000;
    tarvok::TakeMouseSample(input, s);
    EXPECT_EQ(input.mouseX, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(input.lastDx, 32767);
    EXPECT_EQ(input.lastWheel, 0);
}

TEST(InputLogic, ClampToScreen) {
    EXPECT_EQ(tarvok::ClampToScreen(-7, 640), 0);
    EXPECT_EQ(tarvok::ClampToScreen(0, 640), 0);
    EXPECT_EQ(tarvok::ClampToScreen(639, 640), 639);
    EXPECT_EQ(tarvok::ClampToScreen(640, 640), 639);
    EXPECT_EQ(tarvok::ClampToScreen(std::numeric_limits<std::int32_t>::min(), 480), 0);
    EXPECT_EQ(tarvok::ClampToScreen(5, 0), 0);
    EXPECT_EQ(tarvok::ClampToScreen(5, -3), 0);
}

TEST(InputLogic, AxesAndHats) {
    EXPECT_DOUBLE_EQ(tarvok::AxisValue(0), 0.0);
    EXPECT_DOUBLE_EQ(tarvok::AxisValue(32767), 1.0);
    EXPECT_DOUBLE_EQ(tarvok::AxisValue(-32768), -1.0);  // clamped
    EXPECT_DOUBLE_EQ(tarvok::AxisValue(16384), 16384 / 32767.0);
    EXPECT_DOUBLE_EQ(tarvok::AxisValue(-100), -100 / 32767.0);

    EXPECT_EQ(tarvok::CoarseAxisValue(29999), 0);
    EXPECT_EQ(tarvok::CoarseAxisValue(30000), 1);
    EXPECT_EQ(tarvok::CoarseAxisValue(32767), 1);
    EXPECT_EQ(tarvok::CoarseAxisValue(-29999), 0);  // toward zero, not down
    EXPECT_EQ(tarvok::CoarseAxisValue(-32768), -1);

    const std::uint32_t centred = platform::JoystickReading::kHatCentred;
    EXPECT_EQ(tarvok::PovY(0), -1);
    EXPECT_EQ(tarvok::PovY(18000), 1);
    EXPECT_EQ(tarvok::PovY(4500), 0);
    EXPECT_EQ(tarvok::PovY(9000), 0);
    EXPECT_EQ(tarvok::PovY(centred), 0);
    EXPECT_EQ(tarvok::PovX(9000), 1);
    EXPECT_EQ(tarvok::PovX(27000), -1);
    EXPECT_EQ(tarvok::PovX(13500), 0);
    EXPECT_EQ(tarvok::PovX(0), 0);
    EXPECT_EQ(tarvok::PovX(centred), 0);
}

TEST(InputLogic, JoystickActivity) {
    platform::JoystickReading r;
    EXPECT_FALSE(tarvok::JoystickActive(r));  // no device: zeros with the hats centred
    r.x = 3276;  // 0.09998...
    r.y = -3276;
    r.rx = r.ry = r.rz = 32767;  // rotations and sliders do not count
    r.sliders = {32767, 32767};
    r.hats[0] = 4500;  // diagonals do not count
    r.hats[1] = 0;     // nor other hats
    EXPECT_FALSE(tarvok::JoystickActive(r));
    for (std::int32_t platform::JoystickReading::*axis :
         {&platform::JoystickReading::x, &platform::JoystickReading::y, &platform::JoystickReading::z}) {
        platform::JoystickReading a;
        a.*axis = -3300;
        EXPECT_TRUE(tarvok::JoystickActive(a));
    }
    for (std::uint32_t hat : {0u, 9000u, 18000u, 27000u}) {
        platform::JoystickReading h;
        h.hats[0] = hat;
        EXPECT_TRUE(tarvok::JoystickActive(h)) << hat;
    }
    platform::JoystickReading b;
    b.buttons[31] = 128;
    EXPECT_TRUE(tarvok::JoystickActive(b));
}

TEST(InputLogic, ConstantForceEffect) {
    platform::ConstantForce f = tarvok::MakeConstantForce(250, 1, 0);
    EXPECT_EQ(f.directionX, 32767);
    EXPECT_EQ(f.directionY, 0);
    EXPECT_EQ(f.magnitude, 5000);
    EXPECT_EQ(f.durationMs, 250u);

    f = tarvok::MakeConstantForce(1000.9, -3, 5);  // clamped to (-1, 1)
    EXPECT_EQ(f.directionX, -32767);
    EXPECT_EQ(f.directionY, 32767);
    EXPECT_EQ(f.magnitude, 10000);
    EXPECT_EQ(f.durationMs, 1000u);

    f = tarvok::MakeConstantForce(10, 0.5, -0.25);
    EXPECT_EQ(f.directionX, 16383);  // 16383.5 truncated
    EXPECT_EQ(f.directionY, -8191);
    EXPECT_EQ(f.magnitude, 1563);  // 0.3125 * 5000 = 1562.5, rounded
    EXPECT_EQ(f.durationMs, 10u);

    const double nan = std::nan("");
    f = tarvok::MakeConstantForce(nan, nan, nan);
    EXPECT_EQ(f.directionX, 0);
    EXPECT_EQ(f.directionY, 0);
    EXPECT_EQ(f.magnitude, 0);
    EXPECT_EQ(f.durationMs, 0u);
    EXPECT_EQ(tarvok::MakeConstantForce(-50, 0, 0).durationMs, 0u);
    EXPECT_EQ(tarvok::MakeConstantForce(1e30, 0, 0).durationMs, 4294967u);
}
